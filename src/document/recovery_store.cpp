#include "document/recovery_store.h"

#include "document/recovery_checksum.h"
#include "document/recovery_journal.h"
#include "platform/gdi/dib_surface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace recovery {

namespace {

// Bigger pictures than this are refused as impossible before anything is allocated.
constexpr int64_t MaxPictureBytes = int64_t{1} << 32;


// A cursor over a payload that refuses to read past its end.
class PayloadReader {
public:
    PayloadReader(const uint8_t* bytes, size_t count) : at_(bytes), left_(count) {}
    bool take(size_t count, const uint8_t** out)
    {
        if (count > left_)
            return false;
        *out = at_;
        at_ += count;
        left_ -= count;
        return true;
    }
    bool string(QString* out)
    {
        const uint8_t* length;
        const uint8_t* text;
        if (!take(4, &length) || !take(get32(length), &text))
            return false;
        *out = QString::fromUtf8(reinterpret_cast<const char*>(text), static_cast<qsizetype>(get32(length)));
        return true;
    }
    size_t left() const { return left_; }

private:
    const uint8_t* at_;
    size_t left_;
};

bool readInfo(PayloadReader in, JournalInfo* info)
{
    const uint8_t* flag;
    return in.string(&info->fileName) && in.string(&info->caption) && in.string(&info->formatClass) &&
           in.take(1, &flag) && (info->jpeg = *flag != 0, true);
}

bool readPicture(PayloadReader in, RecoveredPicture* out, QString* problem)
{
    const uint8_t* fixed;
    if (!in.take(PictureFixedBytes, &fixed)) {
        *problem = QStringLiteral("запись рисунка короче своего заголовка");
        return false;
    }
    const int32_t width = static_cast<int32_t>(get32(fixed));
    const int32_t height = static_cast<int32_t>(get32(fixed + 4));
    const uint8_t format = fixed[8];
    const uint32_t dpi = get32(fixed + 12);
    const uint32_t colourCount = get32(fixed + 16);
    if (width <= 0 || height <= 0 || format > ifTrueColor) {
        *problem = QStringLiteral("невозможный размер или формат рисунка");
        return false;
    }
    const int bits = ImageFormatBitCount(static_cast<TImageFormat>(format));
    if (colourCount > 256 || (format == ifTrueColor) != (colourCount == 0)) {
        *problem = QStringLiteral("невозможная палитра");
        return false;
    }
    const int64_t rowBytes = gdi::DibSurface::rowBytesFor(width, bits);
    if (rowBytes <= 0 || rowBytes > MaxPictureBytes / height) {
        *problem = QStringLiteral("невозможный размер рисунка");
        return false;
    }
    const uint8_t* colours;
    const uint8_t* storedRowBytes;
    if (!in.take(colourCount * 4, &colours) || !in.take(4, &storedRowBytes) || get32(storedRowBytes) != rowBytes ||
        in.left() != static_cast<size_t>(rowBytes * height)) {
        *problem = QStringLiteral("длина записи рисунка не сходится с его размером");
        return false;
    }
    const uint8_t* pixels;
    in.take(in.left(), &pixels);
    out->width = width;
    out->height = height;
    out->format = static_cast<TImageFormat>(format);
    out->xDpi = static_cast<uint16_t>(dpi & 0xFFFF);
    out->yDpi = static_cast<uint16_t>(dpi >> 16);
    out->colours.resize(colourCount);
    if (colourCount)
        std::memcpy(out->colours.data(), colours, colourCount * 4);
    out->rowBytes = static_cast<int>(rowBytes);
    out->bits.assign(pixels, pixels + rowBytes * height);
    return true;
}

bool readRows(PayloadReader in, RecoveredPicture* out, QString* problem)
{
    const uint8_t* fixed;
    if (!in.take(RowsFixedBytes, &fixed)) {
        *problem = QStringLiteral("запись строк короче своего заголовка");
        return false;
    }
    const uint32_t first = get32(fixed);
    const uint32_t count = get32(fixed + 4);
    const uint32_t rowBytes = get32(fixed + 8);
    const int32_t width = static_cast<int32_t>(get32(fixed + 12));
    const int32_t height = static_cast<int32_t>(get32(fixed + 16));
    if (!out->readable || width != out->width || height != out->height ||
        rowBytes != static_cast<uint32_t>(out->rowBytes) || count == 0 || first >= static_cast<uint32_t>(height) ||
        count > static_cast<uint32_t>(height) - first) {
        *problem = QStringLiteral("строки вне рисунка");
        return false;
    }
    if (in.left() != static_cast<size_t>(rowBytes) * count) {
        *problem = QStringLiteral("длина записи строк не сходится с их числом");
        return false;
    }
    const uint8_t* pixels;
    in.take(in.left(), &pixels);
    std::memcpy(out->bits.data() + static_cast<size_t>(rowBytes) * first, pixels, static_cast<size_t>(rowBytes) * count);
    return true;
}

// The instance tag of a journal's or lock's file name: what comes before the first dot.
QString tagOf(const QString& fileName)
{
    return fileName.section(u'.', 0, 0);
}

// Whether the process that owns a tag still runs: it holds its lock file.
bool tagAlive(const QString& folder, const QString& tag)
{
    if (tag == InstanceLock::current().tag())
        return true;
    const QByteArray lockPath = QFile::encodeName(folder + u'/' + tag + QStringLiteral(".lock"));
    const int fd = ::open(lockPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

} // namespace

RecoveredPicture ReadJournal(const QString& path)
{
    RecoveredPicture result;
    result.path = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.problem = QStringLiteral("не удаётся прочитать: %1").arg(file.errorString());
        return result;
    }
    char magic[sizeof FileMagic];
    if (file.read(magic, sizeof magic) != sizeof magic || std::memcmp(magic, FileMagic, sizeof magic) != 0) {
        result.problem = QStringLiteral("это не журнал восстановления");
        return result;
    }
    std::vector<uint8_t> payload;
    for (;;) {
        uint8_t header[RecordHeaderBytes];
        const qint64 got = file.read(reinterpret_cast<char*>(header), sizeof header);
        if (got == 0)
            break;
        QString problem;
        if (got != static_cast<qint64>(sizeof header))
            problem = QStringLiteral("последняя запись оборвана");
        else if (get32(header) != RecordMagic || get32(header + 28) != Checksum(header, 28))
            problem = QStringLiteral("повреждён заголовок записи");
        const uint64_t length = problem.isEmpty() ? get64(header + 16) : 0;
        if (problem.isEmpty() && length > static_cast<uint64_t>(file.size() - file.pos()))
            problem = QStringLiteral("последняя запись оборвана");
        if (problem.isEmpty()) {
            payload.resize(length);
            if (file.read(reinterpret_cast<char*>(payload.data()), static_cast<qint64>(length)) !=
                static_cast<qint64>(length))
                problem = QStringLiteral("последняя запись оборвана");
            else if (Checksum(payload.data(), length) != get32(header + 24))
                problem = QStringLiteral("повреждена запись");
        }
        if (problem.isEmpty()) {
            PayloadReader in(payload.data(), payload.size());
            switch (static_cast<RecordType>(get32(header + 4))) {
            case RecordType::Info:
                if (!readInfo(in, &result.info))
                    problem = QStringLiteral("повреждена запись о файле");
                break;
            case RecordType::Picture:
                if (readPicture(in, &result, &problem))
                    result.readable = true;
                break;
            case RecordType::Rows: readRows(in, &result, &problem); break;
            default: problem = QStringLiteral("неизвестная запись"); break;
            }
        }
        if (!problem.isEmpty()) {
            result.damaged = true;
            result.problem = problem;
            break;
        }
        ++result.records;
        result.lastChange = static_cast<int64_t>(get64(header + 8));
    }
    if (!result.readable && result.problem.isEmpty())
        result.problem = QStringLiteral("в журнале нет рисунка");
    return result;
}

void RecoveredPicture::makePicture(TDibGraphic& picture) const
{
    const TLogPalette palette = PaletteOfColorTable(colours);
    picture.NewImage(width, height, format, format == ifTrueColor ? nullptr : &palette, xDpi, yDpi);
    gdi::DibSurface& surface = *picture.DibSection();
    // The picture's own table, exactly as journalled, whatever the palette made of it.
    if (!colours.empty())
        surface.setColorTable(colours);
    Q_ASSERT(surface.imageBytes() == bits.size());
    std::memcpy(surface.bits(), bits.data(), bits.size());
}

QStringList OrphanJournals()
{
    const QString folder = JournalFolder();
    QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList({QStringLiteral("*.journal")}, QDir::Files, QDir::Time | QDir::Reversed);
    QStringList orphans;
    for (const QFileInfo& entry : entries)
        if (!tagAlive(folder, tagOf(entry.fileName())))
            orphans.append(entry.absoluteFilePath());
    // Journals a gone process never finished starting hold no change that had reached the disk.
    for (const QFileInfo& part : dir.entryInfoList({QStringLiteral("*.journal") + PartialSuffix}, QDir::Files))
        if (!tagAlive(folder, tagOf(part.fileName())))
            QFile::remove(part.absoluteFilePath());
    // Locks of gone processes with no journal left are of no use to anyone.
    for (const QFileInfo& lock : dir.entryInfoList({QStringLiteral("*.lock")}, QDir::Files)) {
        const QString tag = tagOf(lock.fileName());
        if (!tagAlive(folder, tag) && dir.entryList({tag + QStringLiteral(".*.journal")}, QDir::Files).isEmpty())
            QFile::remove(lock.absoluteFilePath());
    }
    return orphans;
}

void DeleteJournal(const QString& path)
{
    QFile::remove(path);
    const QFileInfo info(path);
    const QString tag = tagOf(info.fileName());
    QDir dir = info.dir();
    if (!tagAlive(dir.absolutePath(), tag) && dir.entryList({tag + QStringLiteral(".*.journal")}, QDir::Files).isEmpty())
        QFile::remove(dir.absoluteFilePath(tag + QStringLiteral(".lock")));
}

} // namespace recovery
