#include "platform/forms/trans_form.h"

#include "platform/forms/modal.h"
#include "platform/forms/named_widget.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QSlider>

#include <memory>

TTransForm* TransForm = nullptr;

namespace {

using forms::named;

QLabel* mark(QWidget* parent, const QString& name, const QString& text, int left, int top)
{
    auto* label = named(new QLabel(text, parent), name, text);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

TTransForm::TTransForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TransForm"));
    setFixedSize(FormWidth, FormHeight);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    setFont(font);

    ChangeBar = named(new QSlider(Qt::Horizontal, this), QStringLiteral("ChangeBar"), QStringLiteral("Величина"));
    ChangeBar->setGeometry(42, 0, 361, 33);
    ChangeBar->setTickPosition(QSlider::TicksBelow);
    ChangeBar->setTickInterval(1);
    ChangeBar->setSingleStep(1);

    Label1 = mark(this, QStringLiteral("Label1"), QStringLiteral("100"), 408, 8);
    QPalette navy = Label1->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Label1->setPalette(navy);
    Label2 = mark(this, QStringLiteral("Label2"), QStringLiteral("-100"), 16, 8);
    Label3 = mark(this, QStringLiteral("Label3"), QStringLiteral("0"), 219, 32);

    YesBut = named(new QPushButton(QStringLiteral("&Да"), this), QStringLiteral("YesBut"), QStringLiteral("Да"));
    YesBut->setGeometry(102, 48, 97, 41);
    YesBut->setDefault(true);
    connect(YesBut, &QPushButton::clicked, this, &QDialog::accept);

    // The close box and Escape cancel as the button does.
    Cancel = named(new QPushButton(QStringLiteral("&Отмена"), this), QStringLiteral("Cancel"),
                   QStringLiteral("Отмена"));
    Cancel->setGeometry(248, 48, 97, 41);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);

    Prepare(QStringLiteral("Яркость"), Range::Signed);
}

void TTransForm::Prepare(const QString& caption, Range range)
{
    setWindowTitle(caption);
    setAccessibleName(caption);
    const bool strength = range == Range::Strength;
    ChangeBar->setRange(strength ? 0 : -100, 100);
    ChangeBar->setValue(0);
    Label2->setText(strength ? QStringLiteral("0") : QStringLiteral("-100"));
    Label2->setAccessibleName(Label2->text());
    Label2->adjustSize();
    Label3->setVisible(!strength);
}

std::optional<int> TTransForm::AskAmount(QWidget* parent, const QString& caption, Range range)
{
    const std::unique_ptr<TTransForm> dialog = std::make_unique<TTransForm>(parent);
    dialog->Prepare(caption, range);
    if (forms::Modal::exec(*dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog->ChangeBar->value();
}
