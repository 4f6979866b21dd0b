#pragma once
// The size dialog for a new picture: borderless, a banner on top, the height and width fields
// and the "&Да" / "Отмена" buttons. Created once at start-up and reused for the whole run.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QGroupBox;

class TNewBMPForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 291;
    static constexpr int ClientHeight = 185;

    explicit TNewBMPForm(QWidget* parent = nullptr);

    QLabel* Banner = nullptr;
    QGroupBox* Frame = nullptr;
    QLabel* HeightLabel = nullptr;
    QLineEdit* HeightEdit = nullptr;
    QLabel* WidthLabel = nullptr;
    QLineEdit* WidthEdit = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

extern TNewBMPForm* NewBMPForm;
