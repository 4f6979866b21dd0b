// The recovery journal written and read back: every completed change comes back exactly, a
// journal cut short or damaged anywhere gives a whole earlier state, journals of running
// processes are never offered, and a folder that cannot be written is survived and retried.

#include "document/recovery_checksum.h"
#include "document/recovery_journal.h"
#include "document/recovery_store.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/canvas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <unistd.h>

namespace {

using recovery::JournalInfo;
using recovery::ReadJournal;
using recovery::RecoveredPicture;
using recovery::RecoveryJournal;

// Points the state folder at a temporary folder of the test's own for its lifetime.
class StateHome {
public:
    StateHome() : previous_(qgetenv("XDG_STATE_HOME")) { qputenv("XDG_STATE_HOME", QFile::encodeName(dir_.path())); }
    ~StateHome() { qputenv("XDG_STATE_HOME", previous_); }
    QString journalFolder() const { return recovery::JournalFolder(); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
};

// What a picture holds, to compare with what a journal gives back.
struct PictureState {
    int width = 0;
    int height = 0;
    TImageFormat format = ifTrueColor;
    std::vector<gdi::RgbQuad> colours;
    std::vector<uint8_t> bits;

    static PictureState of(const TDibGraphic& picture)
    {
        const gdi::DibSurface& surface = *picture.DibSection();
        const uint8_t* bits = std::as_const(surface).bits();
        return {surface.width(), surface.height(), picture.ImageFormat(), surface.colorTable(),
                std::vector<uint8_t>(bits, bits + surface.imageBytes())};
    }
    static PictureState of(const RecoveredPicture& recovered)
    {
        return {recovered.width, recovered.height, recovered.format, recovered.colours, recovered.bits};
    }
    friend bool operator==(const PictureState&, const PictureState&) = default;
};

std::ostream& operator<<(std::ostream& out, const PictureState& state)
{
    return out << state.width << "x" << state.height << " format " << int(state.format) << " ("
               << state.bits.size() << " bytes)";
}

// One random change of the kinds the editor makes: a few rows written, a figure drawn, the whole
// picture rewritten, a new size, a new palette.
void randomChange(TDibGraphic& picture, std::mt19937& random)
{
    const int kind = static_cast<int>(random() % 10);
    const int width = picture.GetWidth();
    const int height = picture.GetHeight();
    if (kind < 4) {
        const int first = static_cast<int>(random() % height);
        const int count = 1 + static_cast<int>(random() % std::min(height - first, 5));
        for (int y = first; y < first + count; ++y) {
            uint8_t* row = picture.ScanLine(y);
            for (int i = 0; i < picture.RowBytes(); ++i)
                row[i] = static_cast<uint8_t>(random());
        }
    } else if (kind < 7) {
        TCanvas& canvas = *picture.Canvas();
        canvas.Pen()->SetColor(static_cast<TColor>(random() & 0xFFFFFF));
        canvas.MoveTo(static_cast<int>(random() % width), static_cast<int>(random() % height));
        canvas.LineTo(static_cast<int>(random() % width), static_cast<int>(random() % height));
    } else if (kind == 7) {
        uint8_t* bits = picture.Bits();
        for (int i = 0; i < picture.RowBytes() * height; ++i)
            bits[i] = static_cast<uint8_t>(random());
    } else if (kind == 8) {
        const TImageFormat format = picture.ImageFormat();
        const TLogPalette palette = picture.LogPalette();
        picture.NewImage(8 + static_cast<int>(random() % 40), 8 + static_cast<int>(random() % 40), format,
                         format == ifTrueColor ? nullptr : &palette, 96, 96);
        std::memset(picture.Bits(), static_cast<int>(random() & 0xFF), static_cast<size_t>(picture.RowBytes()) * picture.GetHeight());
    } else if (picture.IsPalettised()) {
        std::vector<gdi::RgbQuad> table = picture.DibSection()->colorTable();
        table[random() % table.size()].red = static_cast<uint8_t>(random());
        picture.DibSection()->setColorTable(table);
    }
}

// The records' checksum is CRC-32C at every length and alignment, whichever way it is computed.
TEST(RecoveryJournal, ChecksumIsCrc32c)
{
    const auto reference = [](const uint8_t* bytes, size_t count) {
        uint32_t crc = ~0u;
        for (size_t i = 0; i < count; ++i) {
            crc ^= bytes[i];
            for (int k = 0; k < 8; ++k)
                crc = (crc & 1) ? (crc >> 1) ^ 0x82F63B78u : crc >> 1;
        }
        return ~crc;
    };
    const char* check = "123456789";
    EXPECT_EQ(recovery::Checksum(reinterpret_cast<const uint8_t*>(check), 9), 0xE3069283u);
    std::mt19937 random(8);
    std::vector<uint8_t> bytes(300);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random());
    for (size_t offset = 0; offset < 9; ++offset)
        for (size_t count = 0; count < 70; ++count)
            ASSERT_EQ(recovery::Checksum(bytes.data() + offset, count), reference(bytes.data() + offset, count))
                << offset << "+" << count;
}

// Keeps a journal in one file however many whole pictures it takes, for the life of the guard.
struct OneFileJournals {
    OneFileJournals() { RecoveryJournal::setRestartFactor(SIZE_MAX / 4096); }
    ~OneFileJournals() { RecoveryJournal::setRestartFactor(3); }
};

struct FormatCase {
    const char* name;
    TImageFormat format;
};

class JournalRoundTrip : public ::testing::TestWithParam<FormatCase> {};

// Every change recorded comes back exactly, through shape and palette changes, in every format.
TEST_P(JournalRoundTrip, ReadingGivesThePictureAfterEachChange)
{
    StateHome home;
    std::mt19937 random(1234 + GetParam().format);
    TDibGraphic picture;
    picture.NewImage(37, 23, GetParam().format, nullptr, 300, 300);
    RecoveryJournal journal;
    const JournalInfo info{QStringLiteral("/tmp/рисунок.bmp"), QStringLiteral("/tmp/рисунок.bmp"), QString(), false};
    for (int step = 0; step < 60; ++step) {
        randomChange(picture, random);
        journal.recordChange(picture, info);
        journal.flush();
        const RecoveredPicture back = ReadJournal(journal.path());
        ASSERT_TRUE(back.readable) << back.problem.toStdString();
        ASSERT_FALSE(back.damaged) << back.problem.toStdString();
        ASSERT_EQ(PictureState::of(back), PictureState::of(picture)) << "step " << step;
        ASSERT_EQ(back.info, info);
        ASSERT_EQ(back.xDpi, picture.XDpi());
    }
    // What the reader gives is a picture the editor can hold again, exactly.
    TDibGraphic made;
    ReadJournal(journal.path()).makePicture(made);
    EXPECT_EQ(PictureState::of(made), PictureState::of(picture));
}

INSTANTIATE_TEST_SUITE_P(Formats, JournalRoundTrip,
                         ::testing::Values(FormatCase{"BlackWhite", ifBlackWhite}, FormatCase{"Gray16", ifGray16},
                                           FormatCase{"Color256", ifColor256}, FormatCase{"TrueColor", ifTrueColor}),
                         [](const auto& info) { return std::string(info.param.name); });

// A journal of 40 changes, with the file size and the picture after each.
struct RecordedJournal {
    QByteArray bytes;
    std::vector<qint64> boundaries;
    std::vector<PictureState> states;

    // The state a journal cut at offset must give: the last whole change before it.
    const PictureState* expectedAt(qint64 offset) const
    {
        const PictureState* expected = nullptr;
        for (size_t i = 0; i < boundaries.size(); ++i)
            if (boundaries[i] <= offset)
                expected = &states[i];
        return expected;
    }
};

RecordedJournal recordJournal(uint32_t seed)
{
    OneFileJournals oneFile;
    RecordedJournal out;
    std::mt19937 random(seed);
    TDibGraphic picture;
    picture.NewImage(29, 17, ifColor256, nullptr, 96, 96);
    RecoveryJournal journal;
    for (int step = 0; step < 40; ++step) {
        randomChange(picture, random);
        journal.recordChange(picture, JournalInfo{});
        journal.flush();
        out.boundaries.push_back(QFileInfo(journal.path()).size());
        out.states.push_back(PictureState::of(picture));
    }
    QFile file(journal.path());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    out.bytes = file.readAll();
    return out;
}

RecoveredPicture readBytes(const QByteArray& bytes, const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    return ReadJournal(path);
}

// Cut short at every record boundary and at random offsets, a journal gives the picture after
// the last whole change before the cut, says it was cut unless the cut is on a boundary, and
// gives nothing but a reason when not even the first picture is whole.
TEST(RecoveryJournal, TruncatedAnywhereGivesTheLastWholeChange)
{
    StateHome home;
    const RecordedJournal recorded = recordJournal(77);
    const QString path = QDir(home.journalFolder()).filePath(QStringLiteral("cut.journal"));
    std::vector<qint64> offsets = recorded.boundaries;
    std::mt19937 random(5);
    for (int i = 0; i < 300; ++i)
        offsets.push_back(static_cast<qint64>(random() % recorded.bytes.size()));
    offsets.push_back(0);
    offsets.push_back(3);
    for (qint64 offset : offsets) {
        const RecoveredPicture back = readBytes(recorded.bytes.left(offset), path);
        const PictureState* expected = recorded.expectedAt(offset);
        if (!expected) {
            EXPECT_FALSE(back.readable) << "cut at " << offset;
            EXPECT_FALSE(back.problem.isEmpty());
            continue;
        }
        ASSERT_TRUE(back.readable) << "cut at " << offset << ": " << back.problem.toStdString();
        EXPECT_EQ(PictureState::of(back), *expected) << "cut at " << offset;
        const bool onBoundary = std::find(recorded.boundaries.begin(), recorded.boundaries.end(), offset) !=
                                recorded.boundaries.end();
        EXPECT_EQ(back.damaged, !onBoundary) << "cut at " << offset;
    }
}

// A damaged byte anywhere (a header, a length, a payload) stops reading at the record it is in:
// the picture after the change before it, said to be damaged; never a crash or a wrong picture.
TEST(RecoveryJournal, DamagedByteGivesTheChangeBeforeIt)
{
    StateHome home;
    const RecordedJournal recorded = recordJournal(91);
    const QString path = QDir(home.journalFolder()).filePath(QStringLiteral("damaged.journal"));
    std::mt19937 random(6);
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes = recorded.bytes;
        const qint64 at = 8 + static_cast<qint64>(random() % (bytes.size() - 8));
        bytes[at] = static_cast<char>(bytes[at] ^ (1 + random() % 255));
        const RecoveredPicture back = readBytes(bytes, path);
        const PictureState* expected = recorded.expectedAt(at);
        if (!expected) {
            EXPECT_FALSE(back.readable) << "byte " << at;
            continue;
        }
        ASSERT_TRUE(back.readable) << "byte " << at;
        EXPECT_TRUE(back.damaged) << "byte " << at;
        EXPECT_EQ(PictureState::of(back), *expected) << "byte " << at;
    }
    // Not a journal at all.
    const RecoveredPicture other = readBytes(QByteArray("GIF89a not a journal"), path);
    EXPECT_FALSE(other.readable);
    EXPECT_FALSE(other.problem.isEmpty());
}

// Only journals whose process is gone are offered: not this process's own, not those of a
// process holding its lock; the lock of a gone process goes with its last journal.
TEST(RecoveryJournal, OnlyJournalsOfGoneProcessesAreOffered)
{
    StateHome home;
    TDibGraphic picture;
    picture.NewImage(4, 4, ifTrueColor, nullptr, 96, 96);
    RecoveryJournal own;
    own.recordChange(picture, JournalInfo{});
    own.flush();
    const QDir folder(home.journalFolder());
    const auto copyAs = [&](const QString& name) {
        EXPECT_TRUE(QFile::copy(own.path(), folder.filePath(name)));
        return folder.filePath(name);
    };
    const QString gone = copyAs(QStringLiteral("11-aaaa.1.journal"));
    const QString goneLocked = copyAs(QStringLiteral("12-bbbb.1.journal"));
    const QString running = copyAs(QStringLiteral("13-cccc.4.journal"));
    // Killed before its first picture was on the disk: nothing to offer, nothing to keep.
    const QString unfinished = copyAs(QStringLiteral("14-dddd.1.journal.part"));
    QFile(folder.filePath(QStringLiteral("12-bbbb.lock"))).open(QIODevice::WriteOnly);
    // Another process's lock: a lock on its own open file, which conflicts with ours.
    const QByteArray runningLock = QFile::encodeName(folder.filePath(QStringLiteral("13-cccc.lock")));
    const int held = ::open(runningLock.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    const QStringList offered = recovery::OrphanJournals();
    EXPECT_TRUE(offered.contains(gone));
    EXPECT_TRUE(offered.contains(goneLocked));
    EXPECT_FALSE(offered.contains(running));
    EXPECT_FALSE(offered.contains(own.path()));
    EXPECT_EQ(offered.filter(QStringLiteral("14-dddd")).size(), 0);
    EXPECT_FALSE(QFile::exists(unfinished));

    recovery::DeleteJournal(goneLocked);
    EXPECT_FALSE(QFile::exists(goneLocked));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("12-bbbb.lock"))));
    recovery::DeleteJournal(running);
    EXPECT_TRUE(QFile::exists(QString::fromUtf8(runningLock)));
    ::close(held);
}

// A journal that has grown to a few pictures starts a new file at its next whole picture; the
// old file goes once the new one is on the disk, and the new one reads back whole.
TEST(RecoveryJournal, GrownJournalStartsAnew)
{
    StateHome home;
    TDibGraphic picture;
    picture.NewImage(64, 64, ifTrueColor, nullptr, 96, 96);
    RecoveryJournal journal;
    journal.recordChange(picture, JournalInfo{});
    journal.flush();
    const QString first = journal.path();
    // Two more pictures fit; the third would make the journal more than three pictures long.
    for (int i = 0; i < 2; ++i) {
        std::memset(picture.Bits(), i, static_cast<size_t>(picture.RowBytes()) * 64);
        journal.recordChange(picture, JournalInfo{});
    }
    journal.flush();
    EXPECT_EQ(journal.path(), first);
    std::memset(picture.Bits(), 9, static_cast<size_t>(picture.RowBytes()) * 64);
    journal.recordChange(picture, JournalInfo{});
    journal.flush();
    EXPECT_NE(journal.path(), first);
    EXPECT_FALSE(QFile::exists(first));
    const RecoveredPicture back = ReadJournal(journal.path());
    EXPECT_EQ(back.records, 2);
    EXPECT_EQ(PictureState::of(back), PictureState::of(picture));
    EXPECT_EQ(QDir(home.journalFolder()).entryList({QStringLiteral("*.journal*")}, QDir::Files).size(), 1);
}

// Saving starts the journal again (the file goes, the next change writes the whole picture);
// closing takes it away.
TEST(RecoveryJournal, RebaseAndRemoveTakeTheFileAway)
{
    StateHome home;
    TDibGraphic picture;
    picture.NewImage(10, 10, ifTrueColor, nullptr, 96, 96);
    RecoveryJournal journal;
    journal.recordChange(picture, JournalInfo{});
    journal.flush();
    const QString first = journal.path();
    ASSERT_TRUE(QFile::exists(first));
    journal.rebase();
    journal.flush();
    EXPECT_FALSE(QFile::exists(first));
    picture.ScanLine(3)[0] = 7;
    journal.recordChange(picture, JournalInfo{});
    journal.flush();
    const RecoveredPicture back = ReadJournal(journal.path());
    EXPECT_EQ(back.records, 2); // the file's name and the whole picture
    EXPECT_EQ(PictureState::of(back), PictureState::of(picture));
    const QString second = journal.path();
    journal.remove();
    journal.flush();
    EXPECT_FALSE(QFile::exists(second));
}

// A folder that cannot be made, then a journal that cannot be written: the user is told once,
// recording goes on without a crash, and once the folder is usable again the next change writes
// the whole picture.
TEST(RecoveryJournal, UnwritableFolderIsToldOnceAndRetried)
{
    StateHome home;
    QStringList told;
    const RecoveryJournal::FailureHandler previous =
        RecoveryJournal::setFailureHandler([&](const QString& reason) { told.append(reason); });
    RecoveryJournal::setRetryDelay(std::chrono::milliseconds(0));
    TDibGraphic picture;
    picture.NewImage(12, 9, ifGray256, nullptr, 96, 96);
    RecoveryJournal journal;

    // The state folder lies under a plain file.
    QTemporaryDir blocked;
    QFile(blocked.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly);
    const QByteArray good = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", QFile::encodeName(blocked.filePath(QStringLiteral("file/state"))));
    picture.ScanLine(1)[1] = 9;
    journal.recordChange(picture, JournalInfo{});
    picture.ScanLine(2)[1] = 9;
    journal.recordChange(picture, JournalInfo{});
    EXPECT_EQ(told.size(), 1);
    EXPECT_TRUE(journal.failed());

    qputenv("XDG_STATE_HOME", good);
    picture.ScanLine(4)[2] = 5;
    journal.recordChange(picture, JournalInfo{});
    journal.flush();
    EXPECT_FALSE(journal.failed());
    EXPECT_EQ(PictureState::of(ReadJournal(journal.path())), PictureState::of(picture));

    // The writer cannot create the next journal's file (its name is taken by a folder): the
    // failure reaches the next change, which is not told again, and the one after retries.
    const QString path = journal.path();
    const QString tag = QFileInfo(path).fileName().section(u'.', 0, 0);
    const int serial = QFileInfo(path).fileName().section(u'.', 1, 1).toInt();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).dir().filePath(QStringLiteral("%1.%2.journal.part").arg(tag).arg(serial + 1))));
    journal.rebase();
    picture.ScanLine(5)[3] = 1;
    journal.recordChange(picture, JournalInfo{});
    journal.flush();
    EXPECT_TRUE(journal.failed());
    picture.ScanLine(6)[3] = 1;
    journal.recordChange(picture, JournalInfo{});
    picture.ScanLine(7)[3] = 1;
    journal.recordChange(picture, JournalInfo{});
    journal.flush();
    EXPECT_FALSE(journal.failed());
    EXPECT_EQ(PictureState::of(ReadJournal(journal.path())), PictureState::of(picture));
    EXPECT_EQ(told.size(), 1);

    RecoveryJournal::setRetryDelay(std::chrono::milliseconds(5000));
    RecoveryJournal::setFailureHandler(previous);
}

} // namespace
