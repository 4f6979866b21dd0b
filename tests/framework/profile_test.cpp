#include "platform/framework/exceptions.h"
#include "platform/framework/profile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(IniFile, ReadsTheValueOrTheDefault)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config.ini"));
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Names"), QStringLiteral("1"), QStringLiteral("none")), QStringLiteral("none"));

    writeAll(path, "; comment\n[Other]\n1=wrong\n[ names ]\n 1 = /home/я/рисунок.bmp \n2=x\n[Names]\n1=later\n");
    const struct {
        const char* section;
        const char* key;
        QString expected;
    } cases[] = {
        {"Names", "1", QStringLiteral("/home/я/рисунок.bmp")},
        {"NAMES", "1", QStringLiteral("/home/я/рисунок.bmp")},
        {"Other", "1", QStringLiteral("wrong")},
        {"Names", "3", QStringLiteral("dflt")},
        {"Missing", "1", QStringLiteral("dflt")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadString(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QStringLiteral("dflt")), c.expected)
            << c.section << "/" << c.key;
}

TEST(IniFile, AWriteChangesOnlyItsOwnLine)
{
    const struct {
        QByteArray before;
        QByteArray after;
    } cases[] = {
        {"", "[Names]\n1=/p/new.png\n"},
        {"; mine\n\n[Other]\nkey=v\n", "; mine\n\n[Other]\nkey=v\n\n[Names]\n1=/p/new.png\n"},
        {"[Names]\n0=zero\n1=/old.bmp\n2=two\n\n[Z]\nz=1\n", "[Names]\n0=zero\n1=/p/new.png\n2=two\n\n[Z]\nz=1\n"},
        {"[Names]\n0=zero\n\n[Z]\nz=1\n", "[Names]\n0=zero\n1=/p/new.png\n\n[Z]\nz=1\n"},
        {"[names]\r\n1=old\r\n", "[names]\r\n1=/p/new.png\r\n"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        if (!c.before.isEmpty())
            writeAll(path, c.before);
        TIniFile(path).WriteString(QStringLiteral("Names"), QStringLiteral("1"), QStringLiteral("/p/new.png"));
        EXPECT_EQ(readAll(path), c.after) << c.before.toStdString();
        EXPECT_EQ(TIniFile(path).ReadString(QStringLiteral("Names"), QStringLiteral("1"), {}), QStringLiteral("/p/new.png"));
    }
}

TEST(IniFile, AFailedWriteRaisesUnableToWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no/such/folder/config.ini"));
    try {
        TIniFile(path).WriteString(QStringLiteral("Names"), QStringLiteral("1"), QStringLiteral("x"));
        FAIL();
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unable to write to %1").arg(path));
    }
}

} // namespace
