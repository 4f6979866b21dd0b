#include "platform/forms/picture_size_form.h"

#include "platform/forms/asking_dialog_footer.h"
#include "platform/forms/modal.h"
#include "platform/forms/named_widget.h"
#include "platform/framework/size_policy.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

using forms::named;

QLabel* buddyLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy)
{
    auto* label = named(new QLabel(caption, parent), name, caption);
    label->setBuddy(buddy);
    return label;
}

std::optional<int> number(const QLineEdit* edit)
{
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// A side scaled by a ratio, rounded to the nearest pixel.
int64_t scaled(int64_t side, double ratio)
{
    return std::llround(static_cast<double>(side) * ratio);
}

} // namespace

TPictureSizeForm::TPictureSizeForm(int width, int height, const QStringList& filters, int defaultFilter,
                                   QWidget* parent)
    : QDialog(parent), width_(width), height_(height)
{
    setObjectName(QStringLiteral("PictureSizeForm"));
    setWindowTitle(QStringLiteral("Размер рисунка"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    WidthEdit = named(new QLineEdit(QString::number(width), this), "WidthEdit", QStringLiteral("Ширина"));
    HeightEdit = named(new QLineEdit(QString::number(height), this), "HeightEdit", QStringLiteral("Высота"));
    UnitsBox = named(new QComboBox(this), "UnitsBox", QStringLiteral("Единицы"));
    UnitsBox->addItems({QStringLiteral("точки"), QStringLiteral("проценты")});
    KeepProportions = named(new QCheckBox(QStringLiteral("&Сохранять пропорции"), this), "KeepProportions",
                            QStringLiteral("Сохранять пропорции"));
    KeepProportions->setChecked(true);
    FilterBox = named(new QComboBox(this), "FilterBox", QStringLiteral("Фильтр"));
    FilterBox->addItems(filters);
    FilterBox->setCurrentIndex(defaultFilter);
    form->addRow(buddyLabel(this, "WidthLabel", QStringLiteral("&Ширина:"), WidthEdit), WidthEdit);
    form->addRow(buddyLabel(this, "HeightLabel", QStringLiteral("&Высота:"), HeightEdit), HeightEdit);
    form->addRow(buddyLabel(this, "UnitsLabel", QStringLiteral("&Единицы:"), UnitsBox), UnitsBox);
    form->addRow(QString(), KeepProportions);
    form->addRow(buddyLabel(this, "FilterLabel", QStringLiteral("&Фильтр:"), FilterBox), FilterBox);
    layout->addLayout(form);
    const QString note = QStringLiteral("Сейчас %1 на %2 точек. Рисунок с палитрой станет 24-битным.")
                             .arg(width)
                             .arg(height);
    const forms::AskingDialogFooter footer = forms::addAskingDialogFooter(*this, *layout, note);
    NoteLabel = footer.NoteLabel;
    ErrorLabel = footer.ErrorLabel;
    OKBtn = footer.OKBtn;
    CancelBtn = footer.CancelBtn;

    connect(UnitsBox, &QComboBox::currentIndexChanged, this, [this] { unitsChanged(); });
    connect(WidthEdit, &QLineEdit::textEdited, this, [this] { sideEdited(true); });
    connect(HeightEdit, &QLineEdit::textEdited, this, [this] { sideEdited(false); });
}

bool TPictureSizeForm::inPercent() const
{
    return UnitsBox->currentIndex() == 1;
}

void TPictureSizeForm::unitsChanged()
{
    // The same size shown in the other unit; what cannot be read starts again from the present size.
    const std::optional<int> w = number(WidthEdit);
    const std::optional<int> h = number(HeightEdit);
    if (inPercent()) {
        WidthEdit->setText(QString::number(w ? scaled(100, static_cast<double>(*w) / width_) : 100));
        HeightEdit->setText(QString::number(h ? scaled(100, static_cast<double>(*h) / height_) : 100));
    } else {
        WidthEdit->setText(QString::number(w ? scaled(width_, *w / 100.0) : width_));
        HeightEdit->setText(QString::number(h ? scaled(height_, *h / 100.0) : height_));
    }
}

void TPictureSizeForm::sideEdited(bool widthEdited)
{
    if (!KeepProportions->isChecked())
        return;
    const std::optional<int> value = number(widthEdited ? WidthEdit : HeightEdit);
    if (!value)
        return;
    QLineEdit* other = widthEdited ? HeightEdit : WidthEdit;
    if (inPercent())
        other->setText(QString::number(*value));
    else if (widthEdited)
        other->setText(QString::number(scaled(height_, static_cast<double>(*value) / width_)));
    else
        other->setText(QString::number(scaled(width_, static_cast<double>(*value) / height_)));
}

std::optional<TPictureSizeForm::Result> TPictureSizeForm::Chosen(QString* problem) const
{
    auto refuse = [problem](const QString& text) {
        if (problem)
            *problem = text;
        return std::nullopt;
    };
    const std::optional<int> w = number(WidthEdit);
    const std::optional<int> h = number(HeightEdit);
    int64_t width = 0;
    int64_t height = 0;
    if (inPercent()) {
        if (!w || !h || *w < MinPercent || *w > MaxPercent || *h < MinPercent || *h > MaxPercent)
            return refuse(QStringLiteral("Ширина и высота в процентах должны быть целыми числами от %1 до %2.")
                              .arg(MinPercent)
                              .arg(MaxPercent));
        width = scaled(width_, *w / 100.0);
        height = scaled(height_, *h / 100.0);
    } else {
        width = w.value_or(0);
        height = h.value_or(0);
        if (!w || !h)
            width = 0;
    }
    if (width < MinPixels || height < MinPixels || width > MaxPixels || height > MaxPixels)
        return refuse(QStringLiteral("Ширина и высота рисунка должны быть целыми числами от %1 до %2 точек.")
                          .arg(MinPixels)
                          .arg(MaxPixels));
    if (!PictureSizePolicy::fitsWindow(width, height))
        return refuse(PictureSizePolicy::tooLargeMessage(width, height));
    return Result{static_cast<int>(width), static_cast<int>(height), FilterBox->currentIndex()};
}

void TPictureSizeForm::accept()
{
    QString problem;
    if (!Chosen(&problem)) {
        ErrorLabel->setText(problem);
        WidthEdit->setFocus();
        return;
    }
    QDialog::accept();
}

std::optional<TPictureSizeForm::Result> TPictureSizeForm::AskSize(QWidget* parent, int width, int height,
                                                                  const QStringList& filters, int defaultFilter)
{
    TPictureSizeForm dialog(width, height, filters, defaultFilter, parent);
    if (forms::Modal::exec(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.Chosen();
}
