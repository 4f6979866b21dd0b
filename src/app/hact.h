#pragma once
// The splash window: shown borderless above everything while the program starts, with black as
// its see-through colour, and hidden by its timer a second later.

#include <QWidget>

class QLabel;
class QTimer;

class THACT : public QWidget {
    Q_OBJECT
public:
    explicit THACT(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QTimer* Timer1 = nullptr;

    void Timer1Timer();

private:
    void makeBlackSeeThrough();
};

extern THACT* HACT;
