// The metafile reader and player against the corpus, exported metafiles read back, and damaged
// records refused by name.
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/qimage_conversion.h"
#include "platform/framework/stream.h"
#include "platform/gdi/device_context.h"
#include "platform/metafile/metafile.h"
#include "platform/metafile/metafile_canvas.h"

#include <uemf.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

namespace {

const QString kCorpus = QStringLiteral(PICTAVO_EMF_CORPUS_DIR);

std::unique_ptr<TBitmap> whiteBitmap(int width, int height)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->Canvas()->Brush()->SetColor(clWhite);
    bitmap->SetSize(width, height);
    bitmap->Canvas()->FillRect(TRect{0, 0, width, height});
    return bitmap;
}

// The metafile played at its own size (capped, so the corpus stays quick) onto white.
std::unique_ptr<TBitmap> render(TMetafile& metafile, int cap = 1024)
{
    auto bitmap = whiteBitmap(std::min(metafile.Width(), cap), std::min(metafile.Height(), cap));
    metafile.Draw(*bitmap->Canvas(), TRect{0, 0, bitmap->Width(), bitmap->Height()});
    // Screenshots to look at: PICTAVO_METAFILE_SHOTS=folder.
    const QString shots = qEnvironmentVariable("PICTAVO_METAFILE_SHOTS");
    if (!shots.isEmpty() && bitmap->Surface())
        SurfaceToQImage(*bitmap->Surface())
            .save(shots + QLatin1Char('/') + QString::number(reinterpret_cast<quintptr>(&metafile)) + QStringLiteral(".png"));
    return bitmap;
}

std::unique_ptr<TBitmap> renderFile(const QString& path, int cap = 1024)
{
    TMetafile metafile;
    metafile.LoadFromFile(path);
    auto bitmap = render(metafile, cap);
    const QString shots = qEnvironmentVariable("PICTAVO_METAFILE_SHOTS");
    if (!shots.isEmpty() && bitmap->Surface())
        SurfaceToQImage(*bitmap->Surface()).save(shots + QLatin1Char('/') + QFileInfo(path).fileName() + QStringLiteral(".png"));
    return bitmap;
}

QStringList corpusFiles(const QString& folder)
{
    QStringList files;
    QDirIterator it(kCorpus + QLatin1Char('/') + folder, {QStringLiteral("*.emf"), QStringLiteral("*.wmf")}, QDir::Files);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

int nonWhitePixels(TBitmap& bitmap)
{
    int count = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            count += (bitmap.Canvas()->Pixels(x, y) & 0xFFFFFF) != 0xFFFFFF;
    return count;
}

std::vector<uint8_t> saved(TMetafile& metafile)
{
    TMemoryStream stream;
    metafile.SaveToStream(stream);
    stream.SetPosition(0);
    return stream.ReadRemaining();
}

void loadBytes(TMetafile& metafile, const std::vector<uint8_t>& bytes)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes);
    stream.SetPosition(0);
    metafile.LoadFromStream(stream);
}

std::unique_ptr<TBitmap> randomBitmap(int width, int height, unsigned seed)
{
    auto bitmap = whiteBitmap(width, height);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap->Canvas()->SetPixels(x, y, static_cast<TColor>(random() & 0xFFFFFF));
    return bitmap;
}

// The bitmap recorded the way Export records it.
void recordBitmap(TMetafile& metafile, TBitmap& bitmap, int width, int height)
{
    metafile.SetHeight(height);
    metafile.SetWidth(width);
    TMetafileCanvas canvas(metafile, nullptr);
    canvas.Draw(0, 0, &bitmap);
}

bool samePixels(TBitmap& a, TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Canvas()->Pixels(x, y) != b.Canvas()->Pixels(x, y))
                return false;
    return true;
}

// ---- The corpus ----

TEST(MetafileCorpus, GoodFilesLoadAndDraw)
{
    QStringList files = corpusFiles(QStringLiteral("libuemf-ref")) + corpusFiles(QStringLiteral("pillow"))
                        + corpusFiles(QStringLiteral("libemf2svg-samples"));
    ASSERT_GT(files.size(), 80);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        try {
            auto bitmap = renderFile(file, 400);
            EXPECT_GT(bitmap->Width(), 0);
            EXPECT_GT(bitmap->Height(), 0);
        } catch (const Exception& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

// Every damaged file is refused with a message, except three whose damage lies where playing
// never looks: a font name's padding after its terminator, and two changes that leave every
// record, count and offset consistent.
TEST(MetafileCorpus, DamagedFilesAreRefusedWithAMessage)
{
    const QStringList files = corpusFiles(QStringLiteral("libemf2svg-corrupted"));
    ASSERT_EQ(files.size(), 21);
    const QStringList harmless = {QStringLiteral("bad_corrupted_2014-12-07-140817.emf"),
                                  QStringLiteral("bad_corrupted_2014-12-07-160856.emf"),
                                  QStringLiteral("bad_corrupted_2016-02-02-210039.emf")};
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        QString message;
        try {
            renderFile(file, 400);
        } catch (const EInvalidGraphic& e) {
            message = e.Message();
        }
        if (harmless.contains(QFileInfo(file).fileName()))
            EXPECT_TRUE(message.isEmpty()) << message.toStdString();
        else
            EXPECT_TRUE(message.startsWith(QStringLiteral("Damaged metafile")) || message == QStringLiteral("Invalid metafile"))
                << message.toStdString();
    }
}

TEST(MetafileCorpus, ReferenceDrawingsRenderRecognisably)
{
    for (const char* name : {"test_libuemf_ref.emf", "test_libuemf_ref30.emf", "test_libuemf_ref.wmf"}) {
        SCOPED_TRACE(name);
        auto bitmap = renderFile(kCorpus + QStringLiteral("/libuemf-ref/") + QLatin1String(name), 2000);
        std::set<TColor> colours;
        for (int y = 0; y < bitmap->Height(); y += 3)
            for (int x = 0; x < bitmap->Width(); x += 3)
                colours.insert(bitmap->Canvas()->Pixels(x, y));
        // A page of figures in many colours, not a blank or one-colour picture.
        EXPECT_GT(nonWhitePixels(*bitmap), bitmap->Width() * bitmap->Height() / 50);
        EXPECT_GT(colours.size(), 20u);
    }
}

// One drawing in every mapping mode: each should land where the MM_TEXT one does.
TEST(MetafileCorpus, MappingModesDrawTheSamePicture)
{
    const QString folder = kCorpus + QStringLiteral("/libuemf-ref/");
    auto reference = renderFile(folder + QStringLiteral("test_mm_text_ref.emf"), 2000);
    for (const char* mode : {"lometric", "himetric", "loenglish", "hienglish", "twips", "isotropic", "anisotropic"}) {
        SCOPED_TRACE(mode);
        auto bitmap = renderFile(folder + QStringLiteral("test_mm_%1_ref.emf").arg(QLatin1String(mode)), 2000);
        ASSERT_EQ(bitmap->Width(), reference->Width());
        ASSERT_EQ(bitmap->Height(), reference->Height());
        int differing = 0;
        for (int y = 0; y < bitmap->Height(); y += 2)
            for (int x = 0; x < bitmap->Width(); x += 2)
                differing += bitmap->Canvas()->Pixels(x, y) != reference->Canvas()->Pixels(x, y);
        EXPECT_LT(differing, bitmap->Width() * bitmap->Height() / 4 / 20);
    }
}

// ---- Recording and reading back ----

TEST(MetafileRecording, ExportedBitmapReadsBackToTheSamePixels)
{
    for (auto [width, height] : {std::pair{37, 23}, std::pair{1, 1}, std::pair{300, 7}}) {
        SCOPED_TRACE(width);
        auto picture = randomBitmap(width, height, static_cast<unsigned>(width * 31 + height));
        TMetafile recorded;
        recordBitmap(recorded, *picture, width, height);
        const std::vector<uint8_t> bytes = saved(recorded);

        TMetafile read;
        loadBytes(read, bytes);
        EXPECT_EQ(read.Width(), width);
        EXPECT_EQ(read.Height(), height);
        auto back = render(read);
        EXPECT_TRUE(samePixels(*back, *picture));
    }
}

TEST(MetafileRecording, HoldsHeaderOneBitmapRecordAndEnd)
{
    auto picture = randomBitmap(5, 4, 1);
    TMetafile metafile;
    recordBitmap(metafile, *picture, 5, 4);
    const std::vector<uint8_t> bytes = saved(metafile);
    std::vector<uint32_t> types;
    for (size_t offset = 0; offset + 8 <= bytes.size();) {
        uint32_t type, size;
        std::memcpy(&type, bytes.data() + offset, 4);
        std::memcpy(&size, bytes.data() + offset + 4, 4);
        types.push_back(type);
        ASSERT_GE(size, 8u);
        offset += size;
    }
    EXPECT_EQ(types, (std::vector<uint32_t>{U_EMR_HEADER, U_EMR_STRETCHDIBITS, U_EMR_EOF}));
    U_EMRHEADER header;
    std::memcpy(&header, bytes.data(), sizeof header);
    EXPECT_EQ(header.nBytes, bytes.size());
    EXPECT_EQ(header.nRecords, 3u);
}

// ---- Damaged records ----

struct Damage {
    const char* name;
    void (*apply)(std::vector<uint8_t>& bytes);
    const char* message; // a part of the refusal's message
};

size_t secondRecord(const std::vector<uint8_t>& bytes)
{
    uint32_t size;
    std::memcpy(&size, bytes.data() + 4, 4);
    return size;
}

void setU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    std::memcpy(bytes.data() + offset, &value, 4);
}

class MetafileDamage : public testing::TestWithParam<Damage> {};

TEST_P(MetafileDamage, IsRefusedNamingWhatIsWrong)
{
    auto picture = randomBitmap(6, 6, 2);
    TMetafile metafile;
    recordBitmap(metafile, *picture, 6, 6);
    std::vector<uint8_t> bytes = saved(metafile);
    GetParam().apply(bytes);
    TMetafile read;
    try {
        loadBytes(read, bytes);
        FAIL() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(e.Message().contains(QLatin1String(GetParam().message))) << e.what();
    }
    EXPECT_TRUE(read.Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Records, MetafileDamage,
    testing::Values(
        Damage{"RecordSizePastTheFile", [](auto& b) { setU32(b, secondRecord(b) + 4, 0x10000000); }, "EMR_STRETCHDIBITS"},
        Damage{"RecordSizeNotAWholeWord", [](auto& b) { setU32(b, secondRecord(b) + 4, 13); }, "EMR_STRETCHDIBITS"},
        Damage{"BitmapOffsetOutsideTheRecord",
               [](auto& b) { setU32(b, secondRecord(b) + offsetof(U_EMRSTRETCHDIBITS, offBitsSrc), 0x7FFFFFF0); },
               "EMR_STRETCHDIBITS"},
        Damage{"FileCutInsideARecord", [](auto& b) { b.resize(secondRecord(b) + 20); }, "EMR_STRETCHDIBITS"},
        Damage{"NoSignature", [](auto& b) { setU32(b, 40, 0); }, "metafile"},
        Damage{"HeaderSizeTooSmall", [](auto& b) { setU32(b, 4, 16); }, "EMR_HEADER"}),
    [](const testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST(MetafileDamage, PolylineCountBeyondItsRecordIsRefused)
{
    const U_POINT16 points[2] = {{1, 1}, {5, 5}};
    char* polyline = U_EMRPOLYLINE16_set(U_RECTL{0, 0, 5, 5}, 2, points);
    ASSERT_NE(polyline, nullptr);
    uint32_t size;
    std::memcpy(&size, polyline + 4, 4);
    auto picture = randomBitmap(6, 6, 3);
    TMetafile metafile;
    recordBitmap(metafile, *picture, 6, 6);
    std::vector<uint8_t> bytes = saved(metafile);
    const size_t at = secondRecord(bytes);
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), polyline, polyline + size);
    std::free(polyline);
    setU32(bytes, at + offsetof(U_EMRPOLYLINE16, cpts), 1000000);
    TMetafile read;
    try {
        loadBytes(read, bytes);
        FAIL() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(e.Message().contains(QLatin1String("EMR_POLYLINE16"))) << e.what();
    }
}

// Object and state records that name nothing the file made are refused when played; deleting
// a stock object is harmless and plays.
TEST(MetafileDamage, RecordsNamingNoObjectOrStateAreRefusedWhenPlayed)
{
    const struct {
        const char* name;
        char* record;
        bool refused;
    } cases[] = {
        {"select beyond the table", U_EMRSELECTOBJECT_set(1000), true},
        {"select the metafile itself", U_EMRSELECTOBJECT_set(0), true},
        {"delete beyond the table", U_EMRDELETEOBJECT_set(1000), true},
        {"restore with nothing saved", U_EMRRESTOREDC_set(-1), true},
        {"pen created beyond the table", U_EMRCREATEPEN_set(1000, U_LOGPEN{U_PS_SOLID, {1, 0}, U_RGB(0, 0, 0)}), true},
        {"delete a stock object", U_EMRDELETEOBJECT_set(U_BLACK_PEN), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.record, nullptr);
        uint32_t size;
        std::memcpy(&size, c.record + 4, 4);
        auto picture = randomBitmap(6, 6, 5);
        TMetafile metafile;
        recordBitmap(metafile, *picture, 6, 6);
        std::vector<uint8_t> bytes = saved(metafile);
        const size_t at = secondRecord(bytes);
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), c.record, c.record + size);
        std::free(c.record);
        TMetafile read;
        loadBytes(read, bytes);
        bool refused = false;
        try {
            render(read);
        } catch (const EInvalidGraphic& e) {
            refused = e.Message().startsWith(QStringLiteral("Damaged metafile"));
        }
        EXPECT_EQ(refused, c.refused);
    }
}

TEST(MetafileSize, SizesNoPictureCanHaveAreRefusedBeforeDrawing)
{
    auto picture = randomBitmap(4, 4, 4);
    TMetafile metafile;
    recordBitmap(metafile, *picture, 4, 4);
    std::vector<uint8_t> bytes = saved(metafile);
    // A frame of two kilometres square.
    setU32(bytes, offsetof(U_EMRHEADER, rclFrame) + 8, 200000000);
    setU32(bytes, offsetof(U_EMRHEADER, rclFrame) + 12, 200000000);
    TMetafile read;
    EXPECT_THROW(loadBytes(read, bytes), EInvalidGraphic);
}

} // namespace
