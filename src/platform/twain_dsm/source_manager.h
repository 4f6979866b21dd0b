#pragma once
// The source manager and its one source, answering the program's TWAIN triplets over SANE.
// The default source is the first SANE device; enabling it shows the source dialog, and each
// press of "Сканировать" reads a batch of pages that the program then takes as native transfers.

#include "platform/twain/twain.h"
#include "platform/twain_dsm/scanned_page.h"

#include <deque>
#include <memory>

class SaneDevice;
class SourceDialog;

class SourceManager {
public:
    static SourceManager& Instance();
    ~SourceManager();

    TW_UINT16 Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                    TW_MEMREF data);

private:
    TW_UINT16 managerTriplet(TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 sourceTriplet(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    TW_UINT16 openSource(TW_IDENTITY* identity);
    void closeSource();
    TW_UINT16 enable();
    TW_UINT16 status(TW_MEMREF data);
    TW_UINT16 fail(TW_UINT16 condition);
    // The dialog's "Сканировать": reads the pages and tells the program a transfer is ready.
    void scan();
    // How many pages one press reads.
    int batchSize() const;

    bool open_ = false;
    TW_UINT16 condition_ = TWCC_SUCCESS;
    std::unique_ptr<SaneDevice> device_;
    std::unique_ptr<SourceDialog> dialog_;
    std::deque<ScannedPage> pages_;
    TW_UINT16 message_ = MSG_NULL;
};
