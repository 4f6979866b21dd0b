#include "platform/framework/profile.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/safe_save.h"
#include "platform/framework/stream.h"

#include <QFile>

#include <optional>

namespace {

// The section a header line opens, or nothing when the line is no header.
std::optional<QString> sectionOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.size() < 2 || !trimmed.startsWith(u'[') || !trimmed.endsWith(u']'))
        return std::nullopt;
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The key of a key=value line (comments and other lines have none).
std::optional<QString> keyOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return std::nullopt;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return std::nullopt;
    return line.left(equals).trimmed();
}

struct Place {
    qsizetype section = -1; // the header line
    qsizetype end = -1;     // after the section's last non-blank line
    qsizetype key = -1;     // the key's line
};

Place find(const QStringList& lines, const QString& section, const QString& key)
{
    Place place;
    bool inside = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionOf(lines[i])) {
            if (inside)
                break;
            inside = sameName(*name, section);
            if (inside)
                place.section = place.end = i + 1;
            continue;
        }
        if (!inside)
            continue;
        if (!lines[i].trimmed().isEmpty())
            place.end = i + 1;
        const auto name = keyOf(lines[i]);
        if (name && place.key < 0 && sameName(*name, key))
            place.key = i;
    }
    return place;
}

} // namespace

QStringList TIniFile::readLines(bool* crlf) const
{
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    if (crlf)
        *crlf = text.contains(QStringLiteral("\r\n"));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    // The text's last line break ends a line rather than starting an empty one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const QStringList lines = readLines();
    const Place place = find(lines, section, key);
    if (place.key < 0)
        return defaultValue;
    const QString& line = lines[place.key];
    return line.mid(line.indexOf(u'=') + 1).trimmed();
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    bool crlf = false;
    QStringList lines = readLines(&crlf);
    const Place place = find(lines, section, key);
    const QString entry = key + u'=' + value;
    if (place.key >= 0) {
        lines[place.key] = entry;
    } else if (place.section >= 0) {
        lines.insert(place.end, entry);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines.append(u'[' + section + u']');
        lines.append(entry);
    }
    const QByteArray text = (lines.join(crlf ? QStringLiteral("\r\n") : QStringLiteral("\n")) +
                             (crlf ? QStringLiteral("\r\n") : QStringLiteral("\n")))
                                .toUtf8();
    try {
        SaveFileSafely(fileName_, [&](TStream& stream) { stream.WriteBuffer(text.constData(), text.size()); });
    } catch (const EStreamError&) {
        throw EIniFileException(FrameworkMessages::unableToWrite(fileName_));
    }
}
