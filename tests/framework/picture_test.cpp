#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/icon.h"
#include "platform/framework/image.h"
#include "platform/framework/picture.h"
#include "platform/framework/stream.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// An ICO file of a 16 x 16 red square whose left half is transparent, written by Qt.
std::vector<uint8_t> iconBytes()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(qRgba(255, 0, 0, 255));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, qRgba(0, 0, 0, 0));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    EXPECT_TRUE(writer.write(image));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void writeFile(const QString& path, const std::vector<uint8_t>& bytes)
{
    TFileStream out(path, fmCreate);
    out.WriteBuffer(bytes);
}

std::vector<uint8_t> bmpBytes(int width, int height, TColor color)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(width, height);
    b.Canvas()->Brush()->SetColor(color);
    b.Canvas()->FillRect(Rect(0, 0, width, height));
    TMemoryStream s;
    b.SaveToStream(s);
    return std::vector<uint8_t>(s.Bytes().begin(), s.Bytes().end());
}

class PictureFiles : public testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
};

TEST_F(PictureFiles, ExtensionChoosesTheClassWhateverItsCase)
{
    for (const char* name : {"a.bmp", "b.BMP", "c.Bmp"}) {
        writeFile(path(name), bmpBytes(5, 4, clRed));
        TPicture picture;
        picture.LoadFromFile(path(name));
        ASSERT_NE(dynamic_cast<TBitmap*>(picture.Graphic()), nullptr) << name;
        EXPECT_EQ(picture.Width(), 5);
        EXPECT_EQ(picture.Height(), 4);
    }
    writeFile(path("d.ICO"), iconBytes());
    TPicture picture;
    picture.LoadFromFile(path("d.ICO"));
    EXPECT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 16);
}

TEST_F(PictureFiles, UnknownExtensionNamesItAndKeepsTheHeldGraphic)
{
    writeFile(path("a.bmp"), bmpBytes(2, 2, clRed));
    TPicture picture;
    picture.LoadFromFile(path("a.bmp"));
    for (const char* name : {"pointer.cur", "noextension", "archive.tar.Gz"}) {
        writeFile(path(name), bmpBytes(1, 1, clRed));
        try {
            picture.LoadFromFile(path(name));
            ADD_FAILURE() << name << " loaded";
        } catch (const EInvalidGraphic& e) {
            const QString ext = QString::fromUtf8(name).contains(u'.') ? QString::fromUtf8(name).section(u'.', -1) : QString();
            EXPECT_EQ(e.Message(), QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
        }
    }
    // A file the chosen class cannot read also leaves the holder as it was.
    writeFile(path("broken.bmp"), {'B', 'M', 1, 2, 3});
    EXPECT_THROW(picture.LoadFromFile(path("broken.bmp")), EInvalidGraphic);
    EXPECT_EQ(picture.Width(), 2);
}

class OtherBitmap : public TBitmap {
public:
    QString ClassName() const override { return QStringLiteral("OtherBitmap"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<OtherBitmap>(); }
};

TEST_F(PictureFiles, LaterRegistrationWins)
{
    TPicture::RegisterFileFormat(QStringLiteral("XyZ"), QStringLiteral("Test"), &CreateGraphicOf<OtherBitmap>);
    EXPECT_EQ(TPicture::FindFileFormat(QStringLiteral("xyz")), &CreateGraphicOf<OtherBitmap>);
    EXPECT_EQ(TPicture::FileFormatDescription(QStringLiteral("XYZ")), QStringLiteral("Test"));
    TPicture::RegisterFileFormat(QStringLiteral("bmp"), QStringLiteral("Other"), &CreateGraphicOf<OtherBitmap>);
    writeFile(path("a.bmp"), bmpBytes(1, 1, clRed));
    TPicture picture;
    picture.LoadFromFile(path("a.bmp"));
    EXPECT_EQ(picture.Graphic()->ClassName(), QStringLiteral("OtherBitmap"));
    TPicture::UnregisterGraphicClass(&CreateGraphicOf<OtherBitmap>);
    EXPECT_EQ(TPicture::FindFileFormat(QStringLiteral("bmp")), &CreateGraphicOf<TBitmap>);
    EXPECT_EQ(TPicture::FindFileFormat(QStringLiteral("xyz")), nullptr);
}

TEST_F(PictureFiles, SaveWritesTheHeldClassFormatWhateverTheName)
{
    writeFile(path("i.ico"), iconBytes());
    TPicture picture;
    picture.LoadFromFile(path("i.ico"));
    picture.SaveToFile(path("copy.bmp"));
    TMemoryStream saved;
    saved.LoadFromFile(path("copy.bmp"));
    EXPECT_EQ(saved.Bytes()[2], 1) << "icon data, not BMP";

    picture.Bitmap();
    picture.SaveToFile(path("copy.ico"));
    saved.LoadFromFile(path("copy.ico"));
    EXPECT_EQ(saved.Bytes()[0], 'B');
}

TEST(Picture, BitmapOfAnIconKeepsItsSizeAndPixels)
{
    TIcon icon;
    TMemoryStream s;
    s.WriteBuffer(iconBytes());
    s.SetPosition(0);
    icon.LoadFromStream(s);
    TPicture picture;
    picture.SetGraphic(&icon);
    TBitmap* bitmap = picture.Bitmap();
    ASSERT_EQ(bitmap, picture.Graphic());
    EXPECT_EQ(bitmap->Width(), 16);
    EXPECT_EQ(bitmap->Canvas()->Pixels(12, 3), clRed);
    EXPECT_EQ(bitmap->Canvas()->Pixels(3, 3), clWhite) << "transparent part over the white brush";
}

TEST(Picture, AssignCopiesTheGraphicAndNotifies)
{
    TPicture a;
    a.Bitmap()->SetSize(3, 2);
    TPicture b;
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.Assign(&a);
    EXPECT_NE(b.Graphic(), a.Graphic());
    EXPECT_EQ(b.Width(), 3);
    b.Bitmap()->Canvas()->LineTo(2, 1);
    EXPECT_GE(changes, 2) << "drawing on the held bitmap reaches the holder";
    b.Assign(nullptr);
    EXPECT_EQ(b.Graphic(), nullptr);
}

TEST(Icon, RejectsNonIconsAndRefusesResizing)
{
    TIcon icon;
    TMemoryStream s;
    s.WriteBuffer("BM not an icon", 14);
    s.SetPosition(0);
    try {
        icon.LoadFromStream(s);
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Данные рисунка повреждены: это не файл значков"));
    }
    s.Clear();
    s.WriteBuffer(iconBytes());
    s.SetPosition(0);
    icon.LoadFromStream(s);
    EXPECT_THROW(icon.SetWidth(32), EInvalidGraphicOperation);
    TMemoryStream out;
    icon.SaveToStream(out);
    EXPECT_EQ(out.Size(), s.Size()) << "written back as read";
}

TEST(Image, CanvasNeedsABitmap)
{
    TImage image;
    image.SetBounds(0, 0, 20, 10);
    TCanvas* canvas = image.Canvas();
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(image.Picture()->Width(), 20) << "an empty image gets a bitmap of its own size";
    EXPECT_EQ(image.Picture()->Height(), 10);

    TIcon icon;
    TMemoryStream s;
    s.WriteBuffer(iconBytes());
    s.SetPosition(0);
    icon.LoadFromStream(s);
    image.Picture()->SetGraphic(&icon);
    try {
        image.Canvas();
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Can only modify an image if it contains a bitmap"));
    }
}

TEST(Image, AutoSizeFollowsThePictureAndTransparencyReachesTheBitmap)
{
    TImage image;
    image.SetAutoSize(true);
    image.SetTransparent(true);
    int notified = 0;
    image.OnPictureChanged = [&](TObject*) { ++notified; };
    image.Picture()->Bitmap()->SetSize(30, 12);
    EXPECT_EQ(image.Width(), 30);
    EXPECT_EQ(image.Height(), 12);
    EXPECT_TRUE(image.Picture()->Graphic()->Transparent());
    EXPECT_GT(notified, 0);
    image.SetAutoSize(false);
    image.SetBounds(0, 0, 50, 20);
    image.SetCenter(true);
    EXPECT_EQ(image.DestRect(), Rect(10, 4, 40, 16));
}

} // namespace
