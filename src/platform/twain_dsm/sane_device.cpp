#include "platform/twain_dsm/sane_device.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cstring>

std::optional<QString> SaneDevice::FirstDeviceName()
{
    const SANE_Device** devices = nullptr;
    if (sane_get_devices(&devices, SANE_TRUE) != SANE_STATUS_GOOD || !devices || !devices[0])
        return std::nullopt;
    return QString::fromLocal8Bit(devices[0]->name);
}

SaneDevice::SaneDevice(const QString& name) : name_(name)
{
    if (sane_open(name.toLocal8Bit().constData(), &handle_) != SANE_STATUS_GOOD)
        handle_ = nullptr;
}

SaneDevice::~SaneDevice()
{
    if (handle_)
        sane_close(handle_);
}

int SaneDevice::optionIndex(const char* name) const
{
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, i);
        if (!option)
            return -1;
        if (option->name && std::strcmp(option->name, name) == 0)
            return i;
    }
}

QStringList SaneDevice::Modes() const
{
    QStringList modes;
    const int index = optionIndex(SANE_NAME_SCAN_MODE);
    if (index < 0)
        return modes;
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
    if (option->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const* s = option->constraint.string_list; *s; ++s)
            modes << QString::fromLocal8Bit(*s);
    return modes;
}

QString SaneDevice::Mode() const
{
    const int index = optionIndex(SANE_NAME_SCAN_MODE);
    if (index < 0)
        return {};
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
    std::vector<char> value(static_cast<size_t>(std::max<SANE_Int>(option->size, 1)) + 1, 0);
    sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, value.data(), nullptr);
    return QString::fromLocal8Bit(value.data());
}

bool SaneDevice::FromFeeder() const
{
    const int index = optionIndex(SANE_NAME_SCAN_SOURCE);
    if (index < 0)
        return false;
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
    std::vector<char> value(static_cast<size_t>(std::max<SANE_Int>(option->size, 1)) + 1, 0);
    sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, value.data(), nullptr);
    const QString source = QString::fromLocal8Bit(value.data());
    return source.contains(QStringLiteral("ADF")) || source.contains(QStringLiteral("Feeder"), Qt::CaseInsensitive);
}

std::vector<int> SaneDevice::Resolutions() const
{
    std::vector<int> values;
    const int index = optionIndex(SANE_NAME_SCAN_RESOLUTION);
    if (index < 0)
        return values;
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
    auto toDpi = [option](SANE_Word word) {
        return option->type == SANE_TYPE_FIXED ? static_cast<int>(SANE_UNFIX(word)) : static_cast<int>(word);
    };
    if (option->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        for (SANE_Int i = 1; i <= option->constraint.word_list[0]; ++i)
            values.push_back(toDpi(option->constraint.word_list[i]));
    } else if (option->constraint_type == SANE_CONSTRAINT_RANGE) {
        const int low = toDpi(option->constraint.range->min);
        const int high = toDpi(option->constraint.range->max);
        // The usual steps within the range, and its ends.
        values.push_back(low);
        for (int dpi : {75, 100, 150, 200, 300, 600, 1200})
            if (dpi > low && dpi < high)
                values.push_back(dpi);
        if (high > low)
            values.push_back(high);
    }
    return values;
}

int SaneDevice::Resolution() const
{
    const int index = optionIndex(SANE_NAME_SCAN_RESOLUTION);
    if (index < 0)
        return 0;
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
    SANE_Word word = 0;
    sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, &word, nullptr);
    return option->type == SANE_TYPE_FIXED ? static_cast<int>(SANE_UNFIX(word)) : static_cast<int>(word);
}

void SaneDevice::SetMode(const QString& mode)
{
    const int index = optionIndex(SANE_NAME_SCAN_MODE);
    if (index < 0)
        return;
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
    std::vector<char> value(static_cast<size_t>(std::max<SANE_Int>(option->size, 1)) + 1, 0);
    const QByteArray text = mode.toLocal8Bit();
    std::strncpy(value.data(), text.constData(), value.size() - 1);
    sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, value.data(), nullptr);
}

void SaneDevice::SetResolution(int dpi)
{
    const int index = optionIndex(SANE_NAME_SCAN_RESOLUTION);
    if (index < 0)
        return;
    const SANE_Option_Descriptor* option = sane_get_option_descriptor(handle_, index);
    SANE_Word word = option->type == SANE_TYPE_FIXED ? SANE_FIX(dpi) : dpi;
    sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, &word, nullptr);
}

std::vector<ScannedPage> SaneDevice::ReadPages(int maxPages, const std::function<void(int)>& progress, QString& error)
{
    std::vector<ScannedPage> pages;
    error.clear();
    for (int page = 0; page < maxPages; ++page) {
        SANE_Status status = SANE_STATUS_GOOD;
        std::optional<ScannedPage> read = readPage(progress, status);
        if (!read) {
            if (status != SANE_STATUS_NO_DOCS || pages.empty())
                error = QString::fromLocal8Bit(sane_strstatus(status));
            break;
        }
        pages.push_back(std::move(*read));
    }
    sane_cancel(handle_);
    return pages;
}

namespace {

// One sample of the frame as eight bits.
uint8_t sampleAt(const std::vector<uint8_t>& data, const SANE_Parameters& p, int row, int index)
{
    const uint8_t* line = data.data() + static_cast<size_t>(row) * p.bytes_per_line;
    if (p.depth == 1)
        return (line[index / 8] >> (7 - index % 8)) & 1 ? 0 : 255; // a set bit is black
    if (p.depth == 16)
        return line[2 * index + 1 - (QSysInfo::ByteOrder == QSysInfo::LittleEndian ? 0 : 1)];
    return line[index];
}

} // namespace

std::optional<ScannedPage> SaneDevice::readPage(const std::function<void(int)>& progress, SANE_Status& status)
{
    ScannedPage page;
    page.dpi = Resolution();
    for (;;) {
        status = sane_start(handle_);
        if (status != SANE_STATUS_GOOD)
            return std::nullopt;
        SANE_Parameters p{};
        status = sane_get_parameters(handle_, &p);
        if (status != SANE_STATUS_GOOD)
            return std::nullopt;
        if (p.depth != 1 && p.depth != 8 && p.depth != 16) {
            status = SANE_STATUS_UNSUPPORTED;
            return std::nullopt;
        }
        std::vector<uint8_t> data;
        const size_t expected = p.lines > 0 ? static_cast<size_t>(p.lines) * p.bytes_per_line : 0;
        data.reserve(expected);
        std::vector<uint8_t> buffer(64 * 1024);
        for (;;) {
            SANE_Int length = 0;
            status = sane_read(handle_, buffer.data(), static_cast<SANE_Int>(buffer.size()), &length);
            if (status == SANE_STATUS_EOF)
                break;
            if (status != SANE_STATUS_GOOD)
                return std::nullopt;
            data.insert(data.end(), buffer.begin(), buffer.begin() + length);
            if (expected)
                progress(static_cast<int>(std::min<size_t>(100, data.size() * 100 / expected)));
        }
        const int lines = p.bytes_per_line > 0 ? static_cast<int>(data.size() / p.bytes_per_line) : 0;
        if (page.rgb.empty()) {
            page.width = p.pixels_per_line;
            page.height = lines;
            page.rgb.assign(static_cast<size_t>(page.width) * page.height * 3, 0);
        }
        const int rows = std::min(lines, page.height);
        for (int y = 0; y < rows; ++y) {
            uint8_t* out = page.rgb.data() + static_cast<size_t>(y) * page.width * 3;
            for (int x = 0; x < page.width; ++x) {
                switch (p.format) {
                case SANE_FRAME_GRAY:
                    out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = sampleAt(data, p, y, x);
                    break;
                case SANE_FRAME_RGB:
                    for (int c = 0; c < 3; ++c)
                        out[3 * x + c] = sampleAt(data, p, y, 3 * x + c);
                    break;
                case SANE_FRAME_RED:
                case SANE_FRAME_GREEN:
                case SANE_FRAME_BLUE:
                    out[3 * x + (p.format - SANE_FRAME_RED)] = sampleAt(data, p, y, x);
                    break;
                }
            }
        }
        if (p.last_frame)
            break;
    }
    status = SANE_STATUS_GOOD;
    if (page.width <= 0 || page.height <= 0) {
        status = SANE_STATUS_IO_ERROR;
        return std::nullopt;
    }
    return page;
}
