// What a user reads when a picture file cannot be opened: every reader names the file and says
// in Russian why, whatever its format; the framework's own messages keep their wording.
#include "imaging/formats/pcx_graphic.h"
#include "imaging/formats/picture_formats.h"
#include "imaging/formats/png_graphic.h"
#include "imaging/formats/webp_graphic.h"
#include "picture_compare.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/picture.h"
#include "platform/framework/stream.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

std::vector<uint8_t> bytesOf(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

void putLittle32(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

// A PNG file cut in the middle of its image data.
std::vector<uint8_t> cutPng()
{
    TPngGraphic picture;
    FillRandom(picture, 40, 30, ifTrueColor, 3);
    const std::vector<uint8_t> whole = SaveBytes(picture);
    return std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(whole.size() / 2));
}

// A WebP file cut in the middle of its image data.
std::vector<uint8_t> cutWebp()
{
    TWebpGraphic picture;
    FillRandom(picture, 40, 30, ifTrueColor, 3);
    const std::vector<uint8_t> whole = SaveBytes(picture);
    return std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(whole.size() / 2));
}

// A 24-bit BMP header claiming 100000 x 100000 pixels.
std::vector<uint8_t> hugeBmp()
{
    std::vector<uint8_t> file(54 + 16, 0);
    file[0] = 'B';
    file[1] = 'M';
    putLittle32(file, 10, 54);
    putLittle32(file, 14, 40);
    putLittle32(file, 18, 100000);
    putLittle32(file, 22, 100000);
    file[26] = 1;
    file[28] = 24;
    return file;
}

struct MessageCase {
    const char* file;
    std::vector<uint8_t> bytes;
    const char* lead;   // "%1" stands for the file's path
    const char* reason;
    bool whole = true; // false: the reason begins so, and the decoder's own words follow
};

QString messageOfOpening(const QString& path)
{
    TPicture picture;
    try {
        picture.LoadFromFile(path);
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

} // namespace

TEST(ReaderMessages, NameTheFileAndSayWhyInRussian)
{
    RegisterPictureFormats();
    const char* damaged = "Файл %1 повреждён: ";
    std::vector<uint8_t> notPcx(128, 0);
    notPcx[0] = 0x0B;
    const MessageCase cases[] = {
        {"cut.png", cutPng(), damaged, "файл обрывается"},
        {"not.png", bytesOf({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}), damaged, "это не файл PNG"},
        {"short header.bmp", bytesOf({'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
         damaged, "неизвестный размер заголовка 7"},
        {"huge.bmp", hugeBmp(), "Файл %1 не открыт: ", "рисунок 100000 x 100000 точек слишком велик"},
        {"not.pcx", notPcx, damaged, "это не файл PCX"},
        {"empty.dcx", std::vector<uint8_t>(16, 0), damaged, "это не файл DCX"},
        {"short.tga", std::vector<uint8_t>(17, 0), damaged, "файл короче своего заголовка"},
        {"not.tif", bytesOf({'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}), damaged, "это не файл TIFF", false},
        {"bad directory.ico", bytesOf({0, 0, 7, 0, 1, 0}), damaged, "неверный каталог значков"},
        {"cut.webp", cutWebp(), damaged, "файл обрывается"},
        {"not.webp", bytesOf({'R', 'I', 'F', 'F', 8, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0, 0, 0}), damaged,
         "это не файл WebP"},
        {"not.jpg", bytesOf({'B', 'M', 0, 0, 0, 0}), damaged, "ошибка декодера JPEG (", false},
    };
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const MessageCase& c : cases) {
        const QString path = folder.filePath(QString::fromUtf8(c.file));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(c.bytes.data()), static_cast<qint64>(c.bytes.size()));
        file.close();

        const QString message = messageOfOpening(path);
        const QString lead = QString::fromUtf8(c.lead).arg(QDir::toNativeSeparators(path));
        const QString reason = QString::fromUtf8(c.reason);
        ASSERT_TRUE(message.startsWith(lead)) << c.file << ": " << message.toStdString();
        if (!c.whole)
            EXPECT_TRUE(message.mid(lead.size()).startsWith(reason)) << c.file << ": " << message.toStdString();
        else
            EXPECT_EQ(message.mid(lead.size()), reason) << c.file;
    }
}

TEST(ReaderMessages, StreamsWithoutANameAndTheFrameworksOwnWording)
{
    RegisterPictureFormats();
    std::vector<uint8_t> notPcx(128, 0);
    notPcx[0] = 0x0B;
    TMemoryStream stream;
    stream.WriteBuffer(notPcx.data(), static_cast<int64_t>(notPcx.size()));
    stream.SetPosition(0);
    TPcxGraphic picture;
    try {
        picture.LoadFromStream(stream);
        FAIL() << "read";
    } catch (const EPictureFileError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Данные рисунка повреждены: это не файл PCX"));
    }

    // No reader is chosen for an extension without a class: the framework's message, as it was.
    QTemporaryDir folder;
    const QString cursor = folder.filePath(QStringLiteral("arrow.cur"));
    QFile file(cursor);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(messageOfOpening(cursor), QStringLiteral("Unknown picture file extension (.cur)"));
}
