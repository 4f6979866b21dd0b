#pragma once
// Runs drawing cases written in the reference corpus's text format on our device context.

#include "platform/gdi/dib_surface.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gdi::replay {

struct CaseOutput {
    std::string name;
    std::unique_ptr<DibSurface> surface;
    // One line per operation: "line<TAB>op<TAB>value", as the reference's returns file has them.
    std::vector<std::string> returns;
};

// Parses and runs every case of `text`; calls `done` for each finished case. Returns false
// and sets `error` (file line and reason) when a line cannot be understood.
bool runCases(const std::string& text, const std::function<void(CaseOutput&)>& done, std::string& error);

// BMP file bytes of a surface: file header, 40-byte info header, colour table (padded to the
// depth's full size), bottom-up rows.
std::vector<uint8_t> encodeBmp(const DibSurface& surface);

} // namespace gdi::replay
