#pragma once
// The amount dialog of the effects commands, created hidden at start-up
// and reused for the whole run. Its slider arrives with the effects.

#include <QDialog>

class TTransForm : public QDialog {
    Q_OBJECT
public:
    explicit TTransForm(QWidget* parent = nullptr);
};

extern TTransForm* TransForm;
