#pragma once
// One open SANE device: its scan modes and resolutions, and reading pages from it.

#include "platform/twain_dsm/scanned_page.h"

#include <sane/sane.h>

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class SaneDevice {
public:
    // The first device SANE knows; nullopt when there is none.
    static std::optional<QString> FirstDeviceName();

    // Opens the device; Ok() says whether it is open.
    explicit SaneDevice(const QString& name);
    ~SaneDevice();
    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;

    bool Ok() const { return handle_ != nullptr; }
    const QString& Name() const { return name_; }
    QStringList Modes() const;
    QString Mode() const;
    std::vector<int> Resolutions() const;
    int Resolution() const;
    bool FromFeeder() const;

    void SetMode(const QString& mode);
    void SetResolution(int dpi);

    // Reads up to maxPages pages (a feeder stops earlier when it runs out of paper); progress
    // gets the per-cent of the page being read. Pages read before an error are kept; the error
    // text is set when reading stopped for any reason but the end of the paper.
    std::vector<ScannedPage> ReadPages(int maxPages, const std::function<void(int)>& progress, QString& error);

private:
    int optionIndex(const char* name) const;
    std::optional<ScannedPage> readPage(const std::function<void(int)>& progress, SANE_Status& status);

    QString name_;
    SANE_Handle handle_ = nullptr;
};
