#pragma once
// The size dialog for a new picture, created hidden at start-up
// and reused for the whole run. Its height and width fields arrive with the picture window.

#include <QDialog>

class TNewBMPForm : public QDialog {
    Q_OBJECT
public:
    explicit TNewBMPForm(QWidget* parent = nullptr);
};

extern TNewBMPForm* NewBMPForm;
