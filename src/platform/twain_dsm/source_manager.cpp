#include "platform/twain_dsm/source_manager.h"

#include "platform/twain_dsm/sane_device.h"
#include "platform/twain_dsm/source_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <sane/sane.h>

#include <cstring>
#include <new>

namespace {

constexpr TW_UINT32 ManagerAssignedAppId = 1;
constexpr TW_UINT32 SourceId = 2;

// PICTAVO_TWAIN_AUTOSCAN=N presses "Сканировать" without a user and reads N pages: the tests'
// way through the dialog.
int autoScanPages()
{
    bool ok = false;
    const int pages = qEnvironmentVariableIntValue("PICTAVO_TWAIN_AUTOSCAN", &ok);
    return ok && pages > 0 ? pages : 0;
}

void fillIdentity(TW_IDENTITY& identity, const QString& product)
{
    std::memset(&identity, 0, sizeof(identity));
    identity.Id = SourceId;
    identity.Version.MajorNum = 1;
    identity.Version.Language = 2;
    identity.Version.Country = 1;
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 5;
    identity.SupportedGroups = DG_SUPPORTED;
    std::strncpy(identity.Manufacturer, "SANE", sizeof(identity.Manufacturer) - 1);
    std::strncpy(identity.ProductName, product.toLocal8Bit().constData(), sizeof(identity.ProductName) - 1);
}

} // namespace

SourceManager& SourceManager::Instance()
{
    static SourceManager manager;
    return manager;
}

SourceManager::~SourceManager()
{
    // At exit SANE and Qt may already be gone; only our own memory is left to free.
    (void)dialog_.release();
    (void)device_.release();
}

TW_UINT16 SourceManager::Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                               TW_MEMREF data)
{
    try {
        if (dat == DAT_STATUS && msg == MSG_GET)
            return status(data);
        if (!dest)
            return dg == DG_CONTROL ? managerTriplet(origin, dat, msg, data) : fail(TWCC_BADPROTOCOL);
        if (!device_ || dest->Id != SourceId)
            return fail(TWCC_SEQERROR);
        return sourceTriplet(dg, dat, msg, data);
    } catch (const std::bad_alloc&) {
        return fail(TWCC_LOWMEMORY);
    }
}

TW_UINT16 SourceManager::status(TW_MEMREF data)
{
    auto* status = static_cast<TW_STATUS*>(data);
    status->ConditionCode = condition_;
    status->Reserved = 0;
    condition_ = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::fail(TW_UINT16 condition)
{
    condition_ = condition;
    return TWRC_FAILURE;
}

TW_UINT16 SourceManager::managerTriplet(TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (dat == DAT_PARENT && msg == MSG_OPENDSM) {
        if (open_)
            return fail(TWCC_SEQERROR);
        // SANE is started once for the process and never ended: a backend loaded again after
        // sane_exit may not find its devices, and its memory stays reachable with it.
        static const bool saneStarted = sane_init(nullptr, nullptr) == SANE_STATUS_GOOD;
        if (!saneStarted)
            return fail(TWCC_BUMMER);
        open_ = true;
        if (origin && origin->Id == 0)
            origin->Id = ManagerAssignedAppId;
        return TWRC_SUCCESS;
    }
    if (!open_)
        return fail(TWCC_SEQERROR);
    if (dat == DAT_PARENT && msg == MSG_CLOSEDSM) {
        closeSource();
        open_ = false;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && msg == MSG_OPENDS)
        return openSource(static_cast<TW_IDENTITY*>(data));
    if (dat == DAT_IDENTITY && msg == MSG_CLOSEDS) {
        if (!device_)
            return fail(TWCC_SEQERROR);
        closeSource();
        return TWRC_SUCCESS;
    }
    if (dat == DAT_IDENTITY && msg == MSG_GETDEFAULT) {
        const std::optional<QString> name = SaneDevice::FirstDeviceName();
        if (!name)
            return fail(TWCC_NODS);
        fillIdentity(*static_cast<TW_IDENTITY*>(data), *name);
        return TWRC_SUCCESS;
    }
    return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 SourceManager::openSource(TW_IDENTITY* identity)
{
    if (device_)
        return fail(TWCC_SEQERROR);
    const std::optional<QString> name = SaneDevice::FirstDeviceName();
    if (!name)
        return fail(TWCC_NODS);
    auto device = std::make_unique<SaneDevice>(*name);
    if (!device->Ok())
        return fail(TWCC_NODS);
    device_ = std::move(device);
    fillIdentity(*identity, *name);
    return TWRC_SUCCESS;
}

void SourceManager::closeSource()
{
    dialog_.reset();
    pages_.clear();
    message_ = MSG_NULL;
    device_.reset();
}

TW_UINT16 SourceManager::sourceTriplet(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (dg == DG_CONTROL && dat == DAT_CAPABILITY && msg == MSG_SET) {
        // Native transfers in inches, any number of pictures: what this source does anyway.
        const auto* cap = static_cast<TW_CAPABILITY*>(data);
        if (cap->Cap == ICAP_XFERMECH || cap->Cap == CAP_XFERCOUNT || cap->Cap == ICAP_UNITS)
            return TWRC_SUCCESS;
        return fail(TWCC_BADCAP);
    }
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS)
        return enable();
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_DISABLEDS) {
        dialog_.reset();
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
        auto* event = static_cast<TW_EVENT*>(data);
        event->TWMessage = message_;
        if (message_ == MSG_NULL)
            return TWRC_NOTDSEVENT;
        message_ = MSG_NULL;
        return TWRC_DSEVENT;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGEINFO && msg == MSG_GET) {
        if (pages_.empty())
            return fail(TWCC_SEQERROR);
        *static_cast<TW_IMAGEINFO*>(data) = pages_.front().Info();
        return TWRC_SUCCESS;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET) {
        if (pages_.empty())
            return fail(TWCC_SEQERROR);
        TW_HANDLE handle = pages_.front().PackedDib();
        if (!handle)
            return fail(TWCC_LOWMEMORY);
        *static_cast<TW_HANDLE*>(data) = handle;
        pages_.pop_front();
        return TWRC_XFERDONE;
    }
    if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS && (msg == MSG_ENDXFER || msg == MSG_RESET)) {
        if (msg == MSG_RESET)
            pages_.clear();
        auto* pending = static_cast<TW_PENDINGXFERS*>(data);
        pending->Count = static_cast<TW_UINT16>(pages_.size());
        pending->Reserved = 0;
        if (pages_.empty() && dialog_)
            dialog_->SetBusy(false);
        return TWRC_SUCCESS;
    }
    return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 SourceManager::enable()
{
    if (dialog_)
        return fail(TWCC_SEQERROR);
    dialog_ = std::make_unique<SourceDialog>(*device_, [this] { scan(); }, [this] { message_ = MSG_CLOSEDSREQ; });
    dialog_->show();
    if (autoScanPages() > 0) {
        SourceDialog* dialog = dialog_.get();
        QTimer::singleShot(0, dialog, [dialog] { dialog->ScanButton->click(); });
    }
    return TWRC_SUCCESS;
}

int SourceManager::batchSize() const
{
    if (const int pages = autoScanPages())
        return pages;
    // A feeder reads until it runs out of paper.
    return device_->FromFeeder() ? 10000 : 1;
}

void SourceManager::scan()
{
    SourceDialog* dialog = dialog_.get();
    if (!dialog || !device_)
        return;
    dialog->SetBusy(true);
    device_->SetMode(dialog->ModeBox->currentText());
    if (dialog->ResolutionBox->currentIndex() >= 0)
        device_->SetResolution(dialog->ResolutionBox->currentData().toInt());
    QString error;
    std::vector<ScannedPage> pages = device_->ReadPages(batchSize(), [dialog](int percent) {
        dialog->ShowProgress(percent);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }, error);
    // The program may have closed the source while the device read.
    if (dialog_.get() != dialog)
        return;
    if (!error.isEmpty())
        dialog->ShowError(QStringLiteral("Ошибка сканера: %1").arg(error));
    if (pages.empty()) {
        dialog->SetBusy(false);
        return;
    }
    for (ScannedPage& page : pages)
        pages_.push_back(std::move(page));
    message_ = MSG_XFERREADY;
}

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest,
                                                                      TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                                                      TW_MEMREF data)
{
    return SourceManager::Instance().Entry(origin, dest, dg, dat, msg, data);
}
