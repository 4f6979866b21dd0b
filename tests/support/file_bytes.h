#pragma once
// The whole content of a test file; empty when it cannot be read (the test then fails on it).

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <vector>

inline std::vector<uint8_t> readFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}
