#include "document/scanner.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

#include <dlfcn.h>

#include <cstring>
#include <exception>

namespace {

// The program-wide flag that a scanner object exists.
bool scannerExists = false;
DSMENTRYPROC entryOverride = nullptr;

void copyString(TW_STR32& target, const char* text)
{
    std::memset(target, 0, sizeof(target));
    std::strncpy(target, text, sizeof(target) - 1);
}

// Notes a quit request made while the nested loop runs; the main loop still sees it.
class QuitWatch : public QObject {
public:
    QuitWatch() { QCoreApplication::instance()->installEventFilter(this); }
    ~QuitWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool quitRequested = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit)
            quitRequested = true;
        return false;
    }
};

} // namespace

QString TScanner::SourceManagerPath()
{
    const QByteArray chosen = qgetenv("PICTAVO_TWAIN_DSM");
    if (!chosen.isEmpty())
        return QString::fromLocal8Bit(chosen);
    const QString folder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty())
        return {};
    // Beside the program in a build folder; an installed program keeps it in its own lib folder.
    const QString beside = folder + QStringLiteral("/libpictavo_twain_dsm.so");
    const QString installed = folder + QStringLiteral("/../lib/pictavo/libpictavo_twain_dsm.so");
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return QFileInfo(installed).canonicalFilePath();
    return beside;
}

void TScanner::SetEntryOverride(DSMENTRYPROC entry)
{
    entryOverride = entry;
}

TScanner::TScanner()
{
    if (scannerExists)
        throw EScannerError(QStringLiteral("Only one scanner object is permitted"));
    appId_.Id = 0;
    appId_.Version.MajorNum = 1;
    appId_.Version.MinorNum = 0;
    appId_.Version.Language = 2;
    appId_.Version.Country = 1;
    copyString(appId_.Version.Info, "");
    appId_.ProtocolMajor = 1;
    appId_.ProtocolMinor = 5;
    appId_.SupportedGroups = DG_SUPPORTED;
    copyString(appId_.Manufacturer, "");
    copyString(appId_.ProductFamily, "");
    copyString(appId_.ProductName, "");
    scannerExists = true;
    ownsSingleton_ = true;
}

TScanner::~TScanner()
{
    UnloadTwain();
    if (ownsSingleton_)
        scannerExists = false;
}

void TScanner::LoadTwain()
{
    if (entryOverride) {
        entry_ = entryOverride;
    } else {
        const QString path = SourceManagerPath();
        if (path.isEmpty())
            throw EScannerError(QStringLiteral("GetWindowsDirectory failed"));
        // The module keeps Qt and SANE state (its dialog's meta-objects, SANE's backends) that
        // must outlive our handle, so closing the handle does not unmap it.
        library_ = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!library_)
            throw EScannerError(QStringLiteral("LoadLibrary(") + path + QStringLiteral(") failed"));
        entry_ = reinterpret_cast<DSMENTRYPROC>(dlsym(library_, "DSM_Entry"));
        if (!entry_)
            throw EScannerError(QStringLiteral("GetProcAddress failed: ") + QStringLiteral("DSM_Entry"));
    }
    hiddenWindow_ = std::make_unique<QWidget>(nullptr, Qt::Window);
    hiddenWindow_->setObjectName(QStringLiteral("TwainWindow"));
    hiddenWindow_->setWindowTitle(QStringLiteral("Twain Window"));
    hiddenWindow_->setAccessibleName(hiddenWindow_->windowTitle());
    parentHandle_ = hiddenWindow_.get();
    if (!CallTriplet(false, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parentHandle_))
        throw EScannerError(QStringLiteral("Unable to open TWAIN source manager"));
}

void TScanner::UnloadTwain()
{
    if (hiddenWindow_) {
        if (entry_)
            CallTriplet(false, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parentHandle_);
        hiddenWindow_.reset();
        parentHandle_ = nullptr;
    }
    if (library_) {
        dlclose(library_);
        library_ = nullptr;
    }
    entry_ = nullptr;
}

void TScanner::Acquire(const ImageCallback& callback, intptr_t userData)
{
    callback_ = &callback;
    userData_ = userData;
    if (!entry_)
        LoadTwain();
    std::memset(&sourceId_, 0, sizeof(sourceId_));
    if (!CallTriplet(false, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &sourceId_)) {
        QString message = QStringLiteral("Unable to open TWAIN data source");
        // The bare message does not tell a user that simply no scanner is connected.
        if (lastCondition_ == TWCC_NODS)
            message += QStringLiteral("\nСканер не найден: проверьте, что он подключён и включён.");
        throw ETwainError(message);
    }

    const bool wasDisabled = !hiddenWindow_->isEnabled();
    std::exception_ptr failure;
    try {
        hiddenWindow_->setEnabled(false);
        SetSingleValueCap(ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE);
        SetSingleValueCap(CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT32>(-1));
        SetSingleValueCap(ICAP_UNITS, TWTY_UINT16, TWUN_INCHES);
        TW_USERINTERFACE ui{};
        ui.ShowUI = ShowUI ? 0xFFFF : 0;
        ui.ModalUI = 0;
        ui.hParent = hiddenWindow_.get();
        if (!CallTriplet(true, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui))
            throw ETwainError(QStringLiteral("Unable to enable twain source."));
        std::exception_ptr loopFailure;
        try {
            ProcessImages();
        } catch (...) {
            loopFailure = std::current_exception();
        }
        CallTriplet(true, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        if (loopFailure)
            std::rethrow_exception(loopFailure);
    } catch (...) {
        failure = std::current_exception();
    }
    hiddenWindow_->setEnabled(!wasDisabled);
    if (sourceId_.Id != 0) {
        const bool closed = CallTriplet(false, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &sourceId_);
        std::memset(&sourceId_, 0, sizeof(sourceId_));
        if (!closed && !failure)
            failure = std::make_exception_ptr(ETwainError(QStringLiteral("Unable to close TWAIN data source")));
    }
    callback_ = nullptr;
    if (failure)
        std::rethrow_exception(failure);
}

// The nested loop: Qt fetches and dispatches the program's events; after each turn the source
// is asked whether it has something to say. A heartbeat keeps the turns coming while nothing
// else happens, so a source's message is never left waiting for a window event.
void TScanner::ProcessImages()
{
    QuitWatch quit;
    QTimer heartbeat;
    heartbeat.start(50);
    processDone_ = false;
    while (!processDone_) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (quit.quitRequested)
            return;
        TW_EVENT event{};
        event.pEvent = nullptr;
        event.TWMessage = MSG_NULL;
        CallTriplet(true, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        switch (event.TWMessage) {
        case MSG_XFERREADY:
            GetAllImages();
            break;
        case MSG_CLOSEDSREQ:
            processDone_ = true;
            break;
        default:
            break;
        }
    }
}

void TScanner::GetAllImages()
{
    pendingCount_ = -1;
    while (pendingCount_ != 0) {
        TW_IMAGEINFO info{};
        // A source that never describes its picture ends the transfer as a failure would.
        bool described = false;
        for (int attempt = 0; attempt < ImageInfoAttempts && !described; ++attempt) {
            std::memset(&info, 0, sizeof(info));
            TW_UINT16 code = TWRC_FAILURE;
            CallTriplet(true, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info, &code);
            described = code == TWRC_SUCCESS;
        }
        TW_HANDLE handle = nullptr;
        TW_UINT16 code = TWRC_FAILURE;
        if (described)
            CallTriplet(true, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle, &code);
        std::exception_ptr callbackFailure;
        if (code == TWRC_XFERDONE) {
            try {
                (*callback_)(handle, info.XResolution.Whole, info.YResolution.Whole, userData_);
            } catch (...) {
                callbackFailure = std::current_exception();
            }
            ConcludeTransfer();
            if (pendingCount_ == 0)
                processDone_ = true;
        } else if (code == TWRC_CANCEL) {
            ConcludeTransfer();
            if (pendingCount_ != 0) {
                AbortTransfer();
                pendingCount_ = 0;
            }
            processDone_ = true;
        } else {
            ConcludeTransfer();
            AbortTransfer();
            pendingCount_ = 0;
            processDone_ = true;
        }
        if (handle)
            twain_memory::Free(handle);
        // A picture the window cannot take ends the scan; the source is told first.
        if (callbackFailure) {
            if (pendingCount_ != 0)
                AbortTransfer();
            pendingCount_ = 0;
            std::rethrow_exception(callbackFailure);
        }
    }
}

void TScanner::ConcludeTransfer()
{
    TW_PENDINGXFERS pending{};
    if (!CallTriplet(true, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending)) {
        pendingCount_ = 0;
        AbortTransfer();
        return;
    }
    pendingCount_ = pending.Count != 0 ? 1 : 0;
}

void TScanner::AbortTransfer()
{
    TW_PENDINGXFERS pending{};
    CallTriplet(true, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
}

void TScanner::SetSingleValueCap(TW_UINT16 capability, TW_UINT16 itemType, TW_UINT32 value)
{
    TW_CAPABILITY cap{};
    cap.Cap = capability;
    cap.ConType = TWON_ONEVALUE;
    cap.hContainer = twain_memory::Alloc(sizeof(TW_ONEVALUE));
    if (!cap.hContainer)
        throw std::bad_alloc();
    TW_ONEVALUE one{};
    one.ItemType = itemType;
    one.Item = value;
    std::memcpy(twain_memory::Lock(cap.hContainer), &one, sizeof(one));
    CallTriplet(true, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    twain_memory::Free(cap.hContainer);
}

bool TScanner::CallTriplet(bool toSource, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data,
                           TW_UINT16* returnCode)
{
    TW_IDENTITY* destination = toSource ? &sourceId_ : nullptr;
    const TW_UINT16 code = entry_(&appId_, destination, dg, dat, msg, data);
    if (returnCode)
        *returnCode = code;
    if (code == TWRC_SUCCESS)
        return true;
    TW_STATUS status{};
    entry_(&appId_, destination, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    lastCondition_ = status.ConditionCode;
    return code == TWRC_CHECKSTATUS && status.ConditionCode == TWCC_SUCCESS;
}
