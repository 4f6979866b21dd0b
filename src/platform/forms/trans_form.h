#pragma once
// The amount dialog of the effects commands: a slider from -100 to 100 with its end and middle
// marks and the "&Да" / "&Отмена" buttons. The commands make a new one for every question, set
// up for what they ask; the instance made at start-up is never shown.

#include <QDialog>

#include <optional>

class QLabel;
class QPushButton;
class QSlider;

class TTransForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int FormWidth = 453;
    static constexpr int FormHeight = 135;

    // What is asked: the lightness and saturation take -100..100, the convolution strengths
    // 0..100 (the middle mark then hidden and the left one reading "0").
    enum class Range { Signed, Strength };

    explicit TTransForm(QWidget* parent = nullptr);

    // Sets the caption and the slider's range; the slider starts at 0.
    void Prepare(const QString& caption, Range range);

    // A new dialog owned by parent and shown modally; the slider's position when "&Да" ended
    // it, nothing when it was cancelled or closed.
    static std::optional<int> AskAmount(QWidget* parent, const QString& caption, Range range);

    QSlider* ChangeBar = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* YesBut = nullptr;
    QPushButton* Cancel = nullptr;
};

extern TTransForm* TransForm;
