#include "platform/twain_dsm/source_dialog.h"

#include "platform/twain_dsm/sane_device.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

template <class W>
W* named(W* widget, const char* name, const QString& accessible)
{
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

} // namespace

SourceDialog::SourceDialog(SaneDevice& device, std::function<void()> scan, std::function<void()> closed)
    : device_(device), closed_(std::move(closed))
{
    setObjectName(QStringLiteral("SourceDialog"));
    setWindowTitle(QStringLiteral("Сканер"));
    setAccessibleName(windowTitle());
    auto* form = new QFormLayout;
    auto* deviceLabel = named(new QLabel(device.Name(), this), "DeviceLabel", QStringLiteral("Устройство"));
    form->addRow(QStringLiteral("Устройство:"), deviceLabel);
    ModeBox = named(new QComboBox(this), "ModeBox", QStringLiteral("Режим"));
    ModeBox->addItems(device.Modes());
    // Colour when the device has it: the program asks for true colour pictures.
    const int colour = ModeBox->findText(QStringLiteral("Color"));
    ModeBox->setCurrentIndex(colour >= 0 ? colour : ModeBox->findText(device.Mode()));
    form->addRow(QStringLiteral("Режим:"), ModeBox);
    ResolutionBox = named(new QComboBox(this), "ResolutionBox", QStringLiteral("Разрешение"));
    for (int dpi : device.Resolutions())
        ResolutionBox->addItem(QStringLiteral("%1 точек на дюйм").arg(dpi), dpi);
    // The device's present resolution is offered even when it is none of the usual steps; a
    // present value outside the device's own range (some backends start so) gives 100 dpi.
    const std::vector<int> offered = device.Resolutions();
    int present = device.Resolution();
    if (offered.empty() || present < offered.front() || present > offered.back())
        present = std::clamp(100, offered.empty() ? 100 : offered.front(), offered.empty() ? 100 : offered.back());
    if (present > 0 && ResolutionBox->findData(present) < 0) {
        int at = 0;
        while (at < ResolutionBox->count() && ResolutionBox->itemData(at).toInt() < present)
            ++at;
        ResolutionBox->insertItem(at, QStringLiteral("%1 точек на дюйм").arg(present), present);
    }
    ResolutionBox->setCurrentIndex(std::max(0, ResolutionBox->findData(present)));
    form->addRow(QStringLiteral("Разрешение:"), ResolutionBox);
    progress_ = named(new QProgressBar(this), "Progress", QStringLiteral("Ход сканирования"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    status_ = named(new QLabel(this), "StatusLabel", QStringLiteral("Состояние"));
    ScanButton = named(new QPushButton(QStringLiteral("Сканировать"), this), "ScanButton", QStringLiteral("Сканировать"));
    ScanButton->setDefault(true);
    connect(ScanButton, &QPushButton::clicked, this, [scan = std::move(scan)] { scan(); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    layout->addWidget(ScanButton);
}

void SourceDialog::ShowProgress(int percent)
{
    progress_->setValue(percent);
}

void SourceDialog::SetBusy(bool busy)
{
    ModeBox->setEnabled(!busy);
    ResolutionBox->setEnabled(!busy);
    ScanButton->setEnabled(!busy);
    if (busy)
        status_->clear();
}

void SourceDialog::ShowError(const QString& text)
{
    status_->setText(text);
}

// Closing the window asks the program to close the source; the program hides it.
void SourceDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    closed_();
}

void SourceDialog::reject()
{
    closed_();
}
