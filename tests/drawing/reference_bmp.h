#pragma once
// Reads the shared reference pictures and the drag each editor case stands for.

#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

struct ReferenceBitmap {
    int width = 0, height = 0;
    std::vector<uint32_t> rgb; // top row first, 0x00RRGGBB
};

inline std::optional<ReferenceBitmap> readReferenceBitmap(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    const auto u8 = [&](qsizetype at) { return static_cast<uint32_t>(static_cast<uint8_t>(data[at])); };
    const auto u16 = [&](qsizetype at) { return u8(at) | (u8(at + 1) << 8); };
    const auto u32 = [&](qsizetype at) { return u16(at) | (u16(at + 2) << 16); };
    if (data.size() < 54)
        return std::nullopt;
    const uint32_t offset = u32(10), headerSize = u32(14);
    const int width = static_cast<int32_t>(u32(18)), height = static_cast<int32_t>(u32(22));
    const int bpp = static_cast<int>(u16(28));
    uint32_t colours = u32(46);
    if (colours == 0 && bpp <= 8)
        colours = 1u << bpp;
    std::vector<uint32_t> table;
    for (uint32_t i = 0; i < colours; ++i) {
        const qsizetype at = 14 + headerSize + 4 * i;
        table.push_back((u8(at + 2) << 16) | (u8(at + 1) << 8) | u8(at));
    }
    const qsizetype rowBytes = ((qsizetype{width} * bpp + 31) / 32) * 4;
    ReferenceBitmap out{width, height, {}};
    for (int y = 0; y < height; ++y) {
        const qsizetype row = offset + (height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            if (bpp == 24) {
                const qsizetype at = row + 3 * x;
                out.rgb.push_back((u8(at + 2) << 16) | (u8(at + 1) << 8) | u8(at));
            } else {
                const uint32_t byte = u8(row + x * bpp / 8);
                const int shift = 8 - bpp - (x * bpp) % 8;
                out.rgb.push_back(table.at((byte >> shift) & ((1u << bpp) - 1)));
            }
        }
    }
    return out;
}

// A case of the reference corpus: its directive lines.
inline QStringList referenceCase(const QString& name)
{
    QFile file(QStringLiteral(PICTAVO_GDI_REFERENCE_DIR "/cases.txt"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    bool inside = false;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(QStringLiteral("case "))) {
            if (inside)
                break;
            inside = line.mid(5).trimmed() == name;
            continue;
        }
        if (inside) {
            if (line == QStringLiteral("end"))
                break;
            lines << line;
        }
    }
    return lines;
}

inline QString referencePath(const QString& name)
{
    return QStringLiteral(PICTAVO_GDI_REFERENCE_DIR "/out/") + name + QStringLiteral(".bmp");
}

// "#rrggbb" as a canvas colour (red lowest).
inline int32_t referenceColor(const QString& token)
{
    const uint32_t rgb = token.mid(1).toUInt(nullptr, 16);
    return static_cast<int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}
