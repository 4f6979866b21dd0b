#pragma once
// The scanner object: one TWAIN exchange with the source manager, loaded at run time, and the
// default source it opens. At most one exists at a time in the program.

#include "imaging/dib_graphic.h"
#include "platform/framework/exceptions.h"
#include "platform/twain/twain.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

// Errors of loading and opening the source manager, and of the scanner object itself.
class EScannerError : public Exception {
public:
    using Exception::Exception;
};

// Errors of the exchange with the source.
class ETwainError : public Exception {
public:
    using Exception::Exception;
};

class TScanner {
public:
    // Receives each transferred picture: the packed DIB's handle, the X and Y resolution and the
    // user data. The handle is freed after the call returns.
    using ImageCallback = std::function<void(TW_HANDLE dib, int xDpi, int yDpi, intptr_t userData)>;

    // The source manager's file: PICTAVO_TWAIN_DSM when set, else libpictavo_twain_dsm.so in the
    // program's folder, or in ../lib/pictavo from it when the program is installed.
    static QString SourceManagerPath();
    // For tests: an entry used in place of the library's; null puts the library back.
    static void SetEntryOverride(DSMENTRYPROC entry);

    TScanner();
    ~TScanner();
    TScanner(const TScanner&) = delete;
    TScanner& operator=(const TScanner&) = delete;

    void Acquire(const ImageCallback& callback, intptr_t userData);

    bool ShowUI = true;
    TImageFormat RequestedImageFormat = ifTrueColor;
    int RequestedXDpi = 200;
    int RequestedYDpi = 200;

    // The IMAGEINFO retries before a transfer counts as failed.
    static constexpr int ImageInfoAttempts = 100;

private:
    void LoadTwain();
    void UnloadTwain();
    void ProcessImages();
    void GetAllImages();
    void ConcludeTransfer();
    void AbortTransfer();
    void SetSingleValueCap(TW_UINT16 capability, TW_UINT16 itemType, TW_UINT32 value);
    // Sends a triplet to the source (toSource) or to the manager; returns whether it succeeded
    // and, when asked, the raw return code.
    bool CallTriplet(bool toSource, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data,
                     TW_UINT16* returnCode = nullptr);

    // The condition the last failed triplet reported, to explain a failure to the user.
    TW_UINT16 lastCondition_ = TWCC_SUCCESS;
    void* library_ = nullptr;
    DSMENTRYPROC entry_ = nullptr;
    std::unique_ptr<QWidget> hiddenWindow_;
    QWidget* parentHandle_ = nullptr;
    TW_IDENTITY appId_{};
    TW_IDENTITY sourceId_{};
    bool ownsSingleton_ = false;

    // The exchange's working state.
    const ImageCallback* callback_ = nullptr;
    intptr_t userData_ = 0;
    int pendingCount_ = 0;
    bool processDone_ = false;
};
