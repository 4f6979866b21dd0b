#include "platform/framework/brush.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/pen.h"
#include "platform/framework/stream.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(FrameworkMessages, KeepTheFrameworkTexts)
{
    EXPECT_EQ(FrameworkMessages::invalidBitmap(), QStringLiteral("Invalid bitmap"));
    EXPECT_EQ(FrameworkMessages::imageCanvasNeedsBitmap(),
              QStringLiteral("Can only modify an image if it contains a bitmap"));
    EXPECT_EQ(FrameworkMessages::invalidInteger(QStringLiteral("12a")), QStringLiteral("'12a' is not a valid integer value"));
    EXPECT_EQ(FrameworkMessages::unableToWrite(QStringLiteral("/x/config.ini")),
              QStringLiteral("Unable to write to /x/config.ini"));
    EXPECT_EQ(FrameworkMessages::unknownExtension(QStringLiteral("cur")),
              QStringLiteral("Unknown picture file extension (.cur)"));
    EXPECT_EQ(FrameworkMessages::assignError(QStringLiteral("TIcon"), QStringLiteral("TPen")),
              QStringLiteral("Cannot assign a TIcon to a TPen"));
}

TEST(Exception, CarriesItsMessageAsUtf8)
{
    const Exception e(QStringLiteral("Не работает: %1").arg(5));
    EXPECT_EQ(e.Message(), QStringLiteral("Не работает: 5"));
    EXPECT_EQ(QString::fromUtf8(e.what()), e.Message());
}

TEST(Persistent, UnknownPairsRaiseTheAssignmentError)
{
    TPen pen;
    TBrush brush;
    try {
        pen.Assign(&brush);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot assign a TBrush to a TPen"));
    }
    try {
        pen.Assign(nullptr);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot assign a nil to a TPen"));
    }
}

struct IntCase {
    const char* text;
    bool valid;
    int value;
};

TEST(StrToInt, AcceptsDecimalAndHexAndRejectsTheRest)
{
    const IntCase cases[] = {
        {"545", true, 545},          {"  7", true, 7},           {"-13", true, -13},
        {"+4", true, 4},             {"$1F", true, 31},          {"0x10", true, 16},
        {"2147483647", true, INT32_MAX}, {"-2147483648", true, INT32_MIN}, {"$FFFFFFFF", true, -1},
        {"", false, 0},              {" ", false, 0},            {"12a", false, 0},
        {"7 ", false, 0},            {"1.5", false, 0},          {"2147483648", false, 0},
        {"-", false, 0},             {"$", false, 0},            {"сто", false, 0},
    };
    for (const IntCase& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        if (c.valid) {
            EXPECT_EQ(StrToInt(text), c.value) << c.text;
        } else {
            try {
                StrToInt(text);
                ADD_FAILURE() << c.text << " converted";
            } catch (const EConvertError& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
            }
        }
    }
}

TEST(MemoryStream, ReadsWritesSeeksAndGrows)
{
    TMemoryStream s;
    s.WriteBuffer("abcdef", 6);
    EXPECT_EQ(s.Size(), 6);
    EXPECT_EQ(s.Position(), 6);
    s.SetPosition(2);
    s.WriteBuffer("XY", 2);
    s.Seek(-1, soEnd);
    char c = 0;
    s.ReadBuffer(&c, 1);
    EXPECT_EQ(c, 'f');
    EXPECT_EQ(s.Read(&c, 1), 0) << "nothing past the end";
    EXPECT_THROW(s.ReadBuffer(&c, 1), EReadError);
    s.SetPosition(10);
    s.WriteBuffer("!", 1);
    EXPECT_EQ(s.Size(), 11);
    s.SetPosition(0);
    const std::vector<uint8_t> all = s.ReadRemaining();
    EXPECT_EQ(std::string(all.begin(), all.begin() + 6), "abXYef");
    EXPECT_EQ(all[6], 0) << "the gap is zero-filled";
    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3);
}

TEST(FileStream, RoundTripsAndReportsTheFrameworkErrors)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("файл.bin"));
    {
        TFileStream out(path, fmCreate);
        out.WriteBuffer("hello", 5);
    }
    TFileStream in(path, fmOpenRead);
    EXPECT_EQ(in.Size(), 5);
    char buffer[5];
    in.ReadBuffer(buffer, 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_THROW(in.WriteBuffer("x", 1), EWriteError);

    const QString missing = dir.filePath(QStringLiteral("missing.bin"));
    try {
        TFileStream s(missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot open file %1").arg(missing));
    }
    const QString unwritable = dir.filePath(QStringLiteral("no/such/dir.bin"));
    try {
        TFileStream s(unwritable, fmCreate);
        FAIL();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot create file %1").arg(unwritable));
    }
}

} // namespace
