// Every file of the TIFF conformance corpus: read without a crash or hang, the ones with PNM
// renderings to exactly their pixels, the rest either read or refused with a message.
#include "tiff_fixture.h"

#include "imaging/formats/tiff_graphic.h"
#include "imaging/formats/tiff_reader.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace {

const std::filesystem::path kCorpus = std::filesystem::path(PICTAVO_CORPORA) / "tiff-libtiff";

// A binary PNM (P4, P5 or P6, maxval up to 65535, 16-bit samples giving their high byte) as
// 0xRRGGBB per pixel.
struct Pnm {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

Pnm readPnm(const std::filesystem::path& path)
{
    const std::vector<uint8_t> bytes = readFileBytes(path.string());
    size_t at = 0;
    const auto token = [&] {
        while (at < bytes.size() && (std::isspace(bytes[at]) || bytes[at] == '#')) {
            if (bytes[at] == '#')
                while (at < bytes.size() && bytes[at] != '\n')
                    ++at;
            else
                ++at;
        }
        std::string text;
        while (at < bytes.size() && !std::isspace(bytes[at]))
            text += static_cast<char>(bytes[at++]);
        return text;
    };
    const std::string magic = token();
    Pnm pnm;
    pnm.width = std::stoi(token());
    pnm.height = std::stoi(token());
    const int maxValue = magic == "P4" ? 1 : std::stoi(token());
    ++at;
    const size_t sampleBytes = maxValue > 255 ? 2 : 1;
    const auto sample = [&](size_t index) {
        return sampleBytes == 1 ? bytes.at(at + index) : bytes.at(at + index * 2);
    };
    for (int y = 0; y < pnm.height; ++y)
        for (int x = 0; x < pnm.width; ++x) {
            if (magic == "P4") {
                const size_t rowBytes = (static_cast<size_t>(pnm.width) + 7) / 8;
                const bool black = (bytes.at(at + y * rowBytes + x / 8) >> (7 - x % 8)) & 1;
                pnm.pixels.push_back(black ? 0 : 0xFFFFFF);
            } else if (magic == "P5") {
                const uint32_t v = sample(static_cast<size_t>(y) * pnm.width + x);
                pnm.pixels.push_back(v << 16 | v << 8 | v);
            } else {
                const size_t i = (static_cast<size_t>(y) * pnm.width + x) * 3;
                pnm.pixels.push_back(uint32_t{sample(i)} << 16 | uint32_t{sample(i + 1)} << 8 | sample(i + 2));
            }
        }
    return pnm;
}

struct Outcome {
    bool read = false;
    QString message;
};

Outcome readCorpusFile(const std::filesystem::path& path, TTiffGraphic& picture)
{
    try {
        TFileStream stream(QString::fromStdString(path.string()), fmOpenRead);
        picture.LoadFromStream(stream);
        return {true, {}};
    } catch (const Exception& e) {
        return {false, e.Message()};
    }
}

TEST(TiffConformanceTest, TwinsDecodeToTheirRenderings)
{
    const std::map<std::string, std::string> twins{{"minisblack-1c-8b.tiff", "minisblack-1c-8b.pgm"},
                                                   {"miniswhite-1c-1b.tiff", "miniswhite-1c-1b.pbm"},
                                                   {"rgb-3c-8b.tiff", "rgb-3c-8b.ppm"},
                                                   {"rgb-3c-16b.tiff", "rgb-3c-16b.ppm"}};
    for (const auto& [tiff, pnmName] : twins) {
        TTiffGraphic picture;
        const Outcome outcome = readCorpusFile(kCorpus / "images" / tiff, picture);
        ASSERT_TRUE(outcome.read) << tiff << ": " << outcome.message.toStdString();
        const Pnm pnm = readPnm(kCorpus / "images" / pnmName);
        ASSERT_EQ(picture.GetWidth(), pnm.width) << tiff;
        ASSERT_EQ(picture.GetHeight(), pnm.height) << tiff;
        int wrong = 0;
        for (int y = 0; y < pnm.height; ++y)
            for (int x = 0; x < pnm.width; ++x)
                wrong += picture.GetPixelRGB(x, y) != pnm.pixels[static_cast<size_t>(y) * pnm.width + x];
        EXPECT_EQ(wrong, 0) << tiff;
    }
}

// The suite's own expected results of its fax and deflate tools are TIFF files too: the
// input and its expected output must agree.
TEST(TiffConformanceTest, ToolOutputsMatchTheirInputs)
{
    for (const char* name : {"deflate-last-strip-extra-data.tiff", "testfax4.tiff"}) {
        const std::string stem = std::filesystem::path(name).stem().string();
        TTiffGraphic input, output;
        const Outcome in = readCorpusFile(kCorpus / "images" / name, input);
        const Outcome out = readCorpusFile(kCorpus / "refs" / ("o-" + stem + ".tiff"), output);
        ASSERT_TRUE(in.read) << name << ": " << in.message.toStdString();
        ASSERT_TRUE(out.read) << name << ": " << out.message.toStdString();
        ASSERT_EQ(input.GetWidth(), output.GetWidth()) << name;
        ASSERT_EQ(input.GetHeight(), output.GetHeight()) << name;
        int wrong = 0;
        for (int y = 0; y < input.GetHeight(); ++y)
            for (int x = 0; x < input.GetWidth(); ++x)
                wrong += input.GetPixelRGB(x, y) != output.GetPixelRGB(x, y);
        EXPECT_EQ(wrong, 0) << name;
    }
}

// Every file either reads or is refused with a message; the ones the suite calls good read.
TEST(TiffConformanceTest, EveryFileReadsOrIsRefusedWithAMessage)
{
    int read = 0, refused = 0;
    std::ostringstream report;
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"images", "refs"})
        for (const auto& entry : std::filesystem::directory_iterator(kCorpus / folder))
            if (entry.path().extension() == ".tif" || entry.path().extension() == ".tiff")
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 30u);
    std::vector<std::string> refusedNames;
    for (const auto& path : files) {
        TTiffGraphic picture;
        const Outcome outcome = readCorpusFile(path, picture);
        if (outcome.read) {
            ++read;
            EXPECT_FALSE(picture.GetEmpty()) << path.filename();
        } else {
            ++refused;
            refusedNames.push_back(path.filename().string());
            EXPECT_FALSE(outcome.message.isEmpty()) << path.filename();
        }
        report << path.filename().string() << ": "
               << (outcome.read ? QStringLiteral("%1 x %2 %3")
                                      .arg(picture.GetWidth())
                                      .arg(picture.GetHeight())
                                      .arg(ImageFormatName(picture.ImageFormat()))
                                : outcome.message)
                      .toStdString()
               << "\n";
    }
    std::printf("%s%zu files: %d read, %d refused\n", report.str().c_str(), files.size(), read, refused);
    // The refusals: 64-bit floating-point samples, which a picture cannot show; a fax strip
    // that overflows its row; and 1-D fax rows without end-of-line codes, which the libtiff
    // of this platform (4.5) cannot decode.
    const std::vector<std::string> expectedRefusals{"test_float64_predictor2_be_lzw.tif",
                                                    "test_float64_predictor2_le_lzw.tif", "testfax3_bug54_1dnoEOL.tif",
                                                    "testfax3_bug_513.tiff"};
    EXPECT_EQ(refusedNames, expectedRefusals);
}

// The corpus again with the second thread joining in on every file, the damaged ones included:
// each reads to the same pixels, or is refused with the same message, as on one thread.
TEST(TiffConformanceTest, TwoThreadsReadEveryFileAsOneDoes)
{
    std::vector<std::filesystem::path> files;
    for (const char* folder : {"images", "refs"})
        for (const auto& entry : std::filesystem::directory_iterator(kCorpus / folder))
            if (entry.path().extension() == ".tif" || entry.path().extension() == ".tiff")
                files.push_back(entry.path());
    ASSERT_GT(files.size(), 30u);
    for (const auto& path : files) {
        TTiffGraphic one, two;
        const Outcome alone = readCorpusFile(path, one);
        TiffReader::setParallelPixels(1);
        const Outcome shared = readCorpusFile(path, two);
        TiffReader::setParallelPixels(1'000'000);
        ASSERT_EQ(alone.read, shared.read) << path.filename();
        if (!alone.read) {
            EXPECT_EQ(alone.message, shared.message) << path.filename();
            continue;
        }
        ASSERT_EQ(one.GetWidth(), two.GetWidth()) << path.filename();
        ASSERT_EQ(one.ImageFormat(), two.ImageFormat()) << path.filename();
        int wrong = 0;
        for (int y = 0; y < one.GetHeight(); ++y)
            for (int x = 0; x < one.GetWidth(); ++x)
                wrong += one.GetPixelRGB(x, y) != two.GetPixelRGB(x, y);
        EXPECT_EQ(wrong, 0) << path.filename();
    }
}

} // namespace
