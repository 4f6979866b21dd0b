#pragma once
// The JPEG quality dialog, created hidden at start-up and reused for the whole run, so the slider
// keeps the quality last chosen.

#include <QDialog>

class QLabel;
class QPushButton;
class QSlider;

class TJPGPar : public QDialog {
    Q_OBJECT
public:
    // The window's outer size is 483 x 223; this is what lies inside its frame and title bar.
    static constexpr int ClientWidth = 475;
    static constexpr int ClientHeight = 193;
    static constexpr int InitialQuality = 100;

    explicit TJPGPar(QWidget* parent = nullptr);

    QLabel* Qual = nullptr;
    QSlider* Sszatie = nullptr;
    QPushButton* YES1 = nullptr;
};

extern TJPGPar* JPGPar;
