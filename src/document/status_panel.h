#pragma once
// One panel of a picture window's status bar: a sunken label wide enough for the longest text
// it is made to show, so that text is never cut.

#include <QLabel>
#include <QString>

class StatusPanel : public QLabel {
public:
    // widestText is the panel's longest text with every digit written as '0'; the panel
    // measures it with the widest digit of its current font. It is never narrower than
    // minimumWidth, and a text longer than widestText widens it while that text is shown.
    StatusPanel(int minimumWidth, QString widestText, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    int minimumWidth_;
    QString widestText_;
};
