#pragma once
// The About box, shown modally by the frame's "О программе...".

#include <QDialog>

class QLabel;
class QPushButton;
namespace forms {
class BevelPanel;
}

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    forms::BevelPanel* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();

    bool filled_ = false;
};

extern TAboutBox* AboutBox;
