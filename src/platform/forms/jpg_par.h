#pragma once
// The JPEG quality dialog, created hidden at start-up
// and reused for the whole run. Its quality slider arrives with saving JPEG files.

#include <QDialog>

class TJPGPar : public QDialog {
    Q_OBJECT
public:
    explicit TJPGPar(QWidget* parent = nullptr);
};

extern TJPGPar* JPGPar;
