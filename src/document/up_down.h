#pragma once
// A pair of arrow buttons that steps a number shown in a buddy edit. The edit keeps its own
// text: typing in it is the buddy's business, and the position follows the text when it is a
// number in range.

#include <QWidget>

class QLineEdit;
class QToolButton;

class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* buddy);
    QLineEdit* Buddy() const { return buddy_; }

    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    // The position as the buddy's text gives it, else the last one stepped to or set.
    int Position() const;
    void SetPosition(int value);
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }

    void StepUp() { step(increment_); }
    void StepDown() { step(-increment_); }

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

    QSize sizeHint() const override { return QSize(16, 22); }

private:
    void step(int delta);

    QLineEdit* buddy_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int increment_ = 1;
};
