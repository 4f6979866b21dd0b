#pragma once
// A settings file in the initialisation-file layout: "[Section]" header lines, then key=value
// lines. Sections and keys are found without regard to letter case. A write changes only its own
// line: every other section, key, comment, blank line and the order of lines stay as they were.

#include <QString>
#include <QStringList>

class TIniFile {
public:
    explicit TIniFile(const QString& fileName) : fileName_(fileName) {}

    const QString& FileName() const { return fileName_; }

    // The value, trimmed, or defaultValue when the file, the section or the key is missing or
    // the file cannot be read.
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // Sets the key, adding the section and the key when missing and creating the file when it does
    // not exist. The file is replaced safely (UTF-8); a failure raises EIniFileException
    // "Unable to write to %s".
    void WriteString(const QString& section, const QString& key, const QString& value);

private:
    QStringList readLines(bool* crlf = nullptr) const;

    QString fileName_;
};
