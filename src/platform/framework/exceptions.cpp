#include "platform/framework/exceptions.h"

#include <QDir>

#include <cerrno>
#include <cstring>
#include <limits>

Exception::Exception(const QString& message) : message_(message), utf8_(message.toUtf8()) {}

namespace {

QString pictureFileMessage(EPictureFileError::Kind kind, const QString& reason, const QString& fileName)
{
    const bool damaged = kind == EPictureFileError::Kind::Damaged;
    if (fileName.isEmpty())
        return damaged ? QStringLiteral("Данные рисунка повреждены: %1").arg(reason)
                       : QStringLiteral("Рисунок не открыт: %1").arg(reason);
    const QString name = QDir::toNativeSeparators(fileName);
    return damaged ? QStringLiteral("Файл %1 повреждён: %2").arg(name, reason)
                   : QStringLiteral("Файл %1 не открыт: %2").arg(name, reason);
}

} // namespace

EPictureFileError::EPictureFileError(Kind kind, const QString& reason, const QString& fileName)
    : EInvalidGraphic(pictureFileMessage(kind, reason, fileName)), kind_(kind), reason_(reason), fileName_(fileName)
{
}

void RaiseDamagedFile(const QString& reason)
{
    throw EPictureFileError(EPictureFileError::Kind::Damaged, reason);
}

void RaisePictureTooLarge(int64_t width, int64_t height)
{
    throw EPictureFileError(EPictureFileError::Kind::TooLarge,
                            QStringLiteral("рисунок %1 x %2 точек слишком велик").arg(width).arg(height));
}

QString FileNotSavedMessage(const QString& fileName, int systemError)
{
    QString reason;
    switch (systemError) {
    case ENOSPC:
        reason = QStringLiteral("на диске нет места");
        break;
    case EDQUOT:
        reason = QStringLiteral("исчерпана дисковая квота");
        break;
    case EFBIG:
        reason = QStringLiteral("файл слишком велик для этого диска");
        break;
    case EROFS:
        reason = QStringLiteral("диск доступен только для чтения");
        break;
    case EACCES:
    case EPERM:
        reason = QStringLiteral("нет прав на запись в эту папку");
        break;
    case ENOENT:
        reason = QStringLiteral("папки нет");
        break;
    case ENOTDIR:
        reason = QStringLiteral("в пути к файлу стоит файл, а не папка");
        break;
    case EISDIR:
        reason = QStringLiteral("под этим именем уже есть папка");
        break;
    case ENAMETOOLONG:
        reason = QStringLiteral("имя файла слишком длинное");
        break;
    case EIO:
        reason = QStringLiteral("ошибка ввода-вывода на диске");
        break;
    default:
        reason = QString::fromLocal8Bit(std::strerror(systemError));
        break;
    }
    return QStringLiteral("Файл %1 не сохранён: %2").arg(QDir::toNativeSeparators(fileName), reason);
}

namespace FrameworkMessages {

QString invalidBitmap() { return QStringLiteral("Invalid bitmap"); }
QString invalidIcon() { return QStringLiteral("Invalid icon image"); }
QString imageCanvasNeedsBitmap() { return QStringLiteral("Can only modify an image if it contains a bitmap"); }
QString invalidInteger(const QString& text) { return QStringLiteral("'%1' is not a valid integer value").arg(text); }
QString unableToWrite(const QString& path) { return QStringLiteral("Unable to write to %1").arg(path); }
QString unknownExtension(const QString& extension)
{
    return QStringLiteral("Unknown picture file extension (.%1)").arg(extension);
}
QString assignError(const QString& source, const QString& dest)
{
    return QStringLiteral("Cannot assign a %1 to a %2").arg(source, dest);
}
QString unknownClipboardFormat() { return QStringLiteral("Unsupported clipboard format"); }
QString changeIconSize() { return QStringLiteral("Cannot change the size of an icon"); }
QString noCanvasHandle() { return QStringLiteral("Canvas does not allow drawing"); }
QString streamRead() { return QStringLiteral("Stream read error"); }
QString streamWrite() { return QStringLiteral("Stream write error"); }
QString fileCreate(const QString& path) { return QStringLiteral("Cannot create file %1").arg(path); }
QString fileOpen(const QString& path) { return QStringLiteral("Cannot open file %1").arg(path); }
QString outOfResources() { return QStringLiteral("Out of system resources"); }

} // namespace FrameworkMessages

int StrToInt(const QString& text)
{
    // Leading blanks are skipped; anything after the digits makes the text invalid.
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        throw EConvertError(FrameworkMessages::invalidInteger(text));
    int64_t value = 0;
    const int64_t limit = negative ? int64_t{std::numeric_limits<int32_t>::max()} + 1
                                   : (base == 16 ? int64_t{std::numeric_limits<uint32_t>::max()}
                                                 : int64_t{std::numeric_limits<int32_t>::max()});
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            throw EConvertError(FrameworkMessages::invalidInteger(text));
        value = value * base + digit;
        if (value > limit)
            throw EConvertError(FrameworkMessages::invalidInteger(text));
    }
    if (negative)
        value = -value;
    // Hexadecimal texts may spell the whole 32-bit pattern ($FFFFFFFF is -1).
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}
