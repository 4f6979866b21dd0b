#pragma once
// Asks for the angle of "Повернуть на угол...": degrees from -360 to 360, clockwise. A value
// that is not a number or lies outside that range keeps the dialog open with a message.

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

class TRotateAngleForm : public QDialog {
    Q_OBJECT
public:
    static constexpr double MaxDegrees = 360.0;

    explicit TRotateAngleForm(QWidget* parent = nullptr);

    // The angle typed, when it is a number in range (a comma or a point as decimal mark).
    std::optional<double> Angle() const;

    // A new dialog shown modally over parent; the angle when "&Да" ended it.
    static std::optional<double> AskAngle(QWidget* parent);

    QLineEdit* AngleEdit = nullptr;
    QLabel* NoteLabel = nullptr;
    QLabel* ErrorLabel = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

public slots:
    void accept() override;
};
