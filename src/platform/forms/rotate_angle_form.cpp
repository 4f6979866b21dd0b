#include "platform/forms/rotate_angle_form.h"

#include "platform/forms/asking_dialog_footer.h"
#include "platform/forms/modal.h"
#include "platform/forms/named_widget.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

using forms::named;

TRotateAngleForm::TRotateAngleForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RotateAngleForm"));
    setWindowTitle(QStringLiteral("Повернуть на угол"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const QString angleCaption = QStringLiteral("&Угол в градусах, по часовой стрелке:");
    AngleEdit = named(new QLineEdit(QStringLiteral("90"), this), "AngleEdit", angleCaption);
    AngleEdit->setToolTip(QStringLiteral("От -360 до 360; отрицательный угол поворачивает против часовой стрелки"));
    auto* angleLabel = named(new QLabel(angleCaption, this), "AngleLabel", angleCaption);
    angleLabel->setBuddy(AngleEdit);
    form->addRow(angleLabel, AngleEdit);
    layout->addLayout(form);
    const QString note =
        QStringLiteral("Открывшиеся углы заливаются цветом кисти. Рисунок с палитрой станет 24-битным.");
    const forms::AskingDialogFooter footer = forms::addAskingDialogFooter(*this, *layout, note);
    NoteLabel = footer.NoteLabel;
    ErrorLabel = footer.ErrorLabel;
    OKBtn = footer.OKBtn;
    CancelBtn = footer.CancelBtn;
    AngleEdit->selectAll();
}

std::optional<double> TRotateAngleForm::Angle() const
{
    QString text = AngleEdit->text().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double angle = text.toDouble(&ok);
    if (!ok || !std::isfinite(angle) || std::abs(angle) > MaxDegrees)
        return std::nullopt;
    return angle;
}

void TRotateAngleForm::accept()
{
    if (!Angle()) {
        ErrorLabel->setText(QStringLiteral("Угол должен быть числом от -360 до 360 градусов."));
        AngleEdit->setFocus();
        AngleEdit->selectAll();
        return;
    }
    QDialog::accept();
}

std::optional<double> TRotateAngleForm::AskAngle(QWidget* parent)
{
    TRotateAngleForm dialog(parent);
    if (forms::Modal::exec(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.Angle();
}
