// Saving must leave either the old file byte for byte or the complete new one, and nothing else
// in the folder, whatever goes wrong on the way.

#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/safe_save.h"
#include "platform/framework/stream.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <vector>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

void saveBytes(const QString& path, const QByteArray& bytes)
{
    TMemoryStream memory;
    memory.WriteBuffer(bytes.constData(), bytes.size());
    memory.SaveToFile(path);
}

// A bitmap whose writer gives up halfway through.
class FailingBitmap : public TBitmap {
public:
    void SaveToStream(TStream& stream) override
    {
        const std::vector<uint8_t> half(5000, 0xAB);
        stream.WriteBuffer(half.data(), static_cast<int64_t>(half.size()));
        throw EInvalidGraphic(QStringLiteral("writer broke"));
    }
};

// A small file system of its own, for the faults only a real one shows; needs the right to mount.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const QString& folder, int kilobytes) : folder_(QFile::encodeName(folder))
    {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", folder_.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallFileSystem()
    {
        if (mounted_)
            ::umount2(folder_.constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool makeReadOnly()
    {
        return ::mount(nullptr, folder_.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QByteArray folder_;
    bool mounted_ = false;
};

TEST(SafeSave, ReplacesTheFileWholeAndKeepsItsPermissions)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("картинка.bmp"));
    writeAll(path, "old contents");
    ::chmod(QFile::encodeName(path).constData(), 0640);

    saveBytes(path, "new");

    EXPECT_EQ(readAll(path), QByteArray("new"));
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("картинка.bmp")});
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    const QString fresh = dir.filePath(QStringLiteral("new.bmp"));
    saveBytes(fresh, "first");
    EXPECT_EQ(readAll(fresh), QByteArray("first"));
    EXPECT_EQ(entries(dir.path()).size(), 2);
}

// Large files are handed to the disk in pieces while they are written; a writer that seeks
// back to fill in what it wrote earlier (as TIFF's does) must still get its bytes in place.
TEST(SafeSave, ALargeFileWrittenInPiecesAndPatchedBackIsWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.tif"));
    writeAll(path, "old");
    QByteArray expected(9 * 1024 * 1024 + 13, Qt::Uninitialized);
    for (qsizetype i = 0; i < expected.size(); ++i)
        expected[i] = static_cast<char>(i * 7 + i / 4099);
    SaveFileSafely(path, [&](TStream& stream) {
        const QByteArray header(8, '\0');
        stream.WriteBuffer(header.constData(), header.size());
        for (qsizetype at = 8; at < expected.size(); at += 65537)
            stream.WriteBuffer(expected.constData() + at, std::min<qsizetype>(65537, expected.size() - at));
        stream.SetPosition(0);
        stream.WriteBuffer(expected.constData(), 8);
    });
    EXPECT_TRUE(readAll(path) == expected);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("large.tif")});
}

TEST(SafeSave, AWriterFailingMidwayLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bmp"));
    writeAll(path, "the picture as it was");
    FailingBitmap bitmap;
    bitmap.SetSize(4, 4);

    EXPECT_THROW(bitmap.SaveToFile(path), EInvalidGraphic);

    EXPECT_EQ(readAll(path), QByteArray("the picture as it was"));
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("a.bmp")});
}

TEST(SafeSave, AFolderThatCannotTakeFilesNamesTheFileAndTheReason)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/a.bmp");
    writeAll(path, "kept");

    // Permissions do not stop root: a read-only mount does.
    SmallFileSystem fileSystem(folder, 256);
    if (fileSystem.mounted()) {
        writeAll(path, "kept");
        ASSERT_TRUE(fileSystem.makeReadOnly());
    } else {
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    }

    try {
        saveBytes(path, "new");
        FAIL() << "the save went through";
    } catch (const EStreamError& e) {
        EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(fileSystem.mounted() ? QStringLiteral("диск доступен только для чтения")
                                                              : QStringLiteral("нет прав на запись в эту папку")))
            << e.Message().toStdString();
    }
    EXPECT_EQ(readAll(path), QByteArray("kept"));
    EXPECT_EQ(entries(folder), QStringList{QStringLiteral("a.bmp")});
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

TEST(SafeSave, AFullDiskLeavesTheOldFile)
{
    QTemporaryDir dir;
    SmallFileSystem fileSystem(dir.path(), 64);
    if (!fileSystem.mounted())
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    const QString path = dir.filePath(QStringLiteral("a.bmp"));
    const QByteArray old(20 * 1024, 'o');
    writeAll(path, old);

    try {
        saveBytes(path, QByteArray(200 * 1024, 'n'));
        FAIL() << "200 KB fitted into 64 KB";
    } catch (const EWriteError& e) {
        EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("на диске нет места"))) << e.Message().toStdString();
    }
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("a.bmp")});
}

// A writer that takes no notice of a short write (it calls Write and goes on) must not get a cut
// file put in place as if it were whole.
TEST(SafeSave, AWriterIgnoringTheFullDiskStillFailsAndLeavesTheOldFile)
{
    QTemporaryDir dir;
    SmallFileSystem fileSystem(dir.path(), 64);
    if (!fileSystem.mounted())
        GTEST_SKIP() << "mounting a small file system is not permitted here";
    const QString path = dir.filePath(QStringLiteral("a.bmp"));
    const QByteArray old(20 * 1024, 'o');
    writeAll(path, old);

    const std::vector<uint8_t> chunk(16 * 1024, 0x5A);
    try {
        SaveFileSafely(path, [&](TStream& stream) {
            for (int i = 0; i < 8; ++i)
                stream.Write(chunk.data(), static_cast<int64_t>(chunk.size()));
        });
        FAIL() << "128 KB fitted into 64 KB";
    } catch (const EWriteError& e) {
        EXPECT_TRUE(e.Message().contains(path)) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("на диске нет места"))) << e.Message().toStdString();
    }
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("a.bmp")});
}

TEST(SafeSave, AProcessKilledWhileSavingLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.bmp"));
    const QByteArray old(100 * 1024, 'o');
    writeAll(path, old);

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Writes 400 MB in chunks, telling the parent once the first is out, so it dies mid-write.
        ::close(ready[0]);
        try {
            SaveFileSafely(path, [&](TStream& stream) {
                const std::vector<uint8_t> chunk(1 << 20, 0x5A);
                for (int i = 0; i < 400; ++i) {
                    stream.WriteBuffer(chunk.data(), static_cast<int64_t>(chunk.size()));
                    if (i == 1)
                        (void)!::write(ready[1], "x", 1);
                }
            });
        } catch (...) {
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);

    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("big.bmp")});
}

// Where a killed process left its temporary (a file system without unnamed files), the next save
// of that name clears it; a temporary of a process still writing stays.
TEST(SafeSave, TemporariesLeftByDeadProcessesGoWithTheNextSave)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bmp"));
    const pid_t gone = ::fork();
    ASSERT_GE(gone, 0);
    if (gone == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    const QString stale = QStringLiteral(".a.bmp.%1.saving-Xy12Zq").arg(gone);
    const QString staleLink = QStringLiteral(".a.bmp.%1.saving-new0").arg(gone);
    const QString living = QStringLiteral(".a.bmp.%1.saving-Ab34Cd").arg(::getppid());
    const QString otherFile = QStringLiteral(".b.bmp.%1.saving-Xy12Zq").arg(gone);
    for (const QString& name : {stale, staleLink, living, otherFile})
        writeAll(dir.filePath(name), "half");

    saveBytes(path, "new");

    EXPECT_EQ(readAll(path), QByteArray("new"));
    QStringList expected{otherFile, living, QStringLiteral("a.bmp")};
    expected.sort();
    EXPECT_EQ(entries(dir.path()), expected);
}

} // namespace
