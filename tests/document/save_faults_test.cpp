// Saving when the file system fails: every writer, through the one safe-save path, must leave the
// old file byte for byte or the complete new one (never a part), no temporary beside it, and a
// message that names the file and says why. Through the window the picture and Modified stay.

#include "document/file_commands.h"
#include "editing/image_scroll_box.h"
#include "imaging/dib_graphic.h"
#include "imaging/formats/picture_formats.h"
#include "picture_window_fixture.h"
#include "platform/forms/jpg_par.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/icon.h"
#include "platform/framework/jpeg_image.h"
#include "platform/framework/stream.h"
#include "platform/metafile/metafile.h"
#include "widget_input.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace widget_test;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A 24-bit picture with a gradient and seeded noise, so that no writer can pack it to nothing.
std::unique_ptr<TBitmap> noisyBitmap(int width, int height)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(width, height);
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(random() % 64);
            bitmap->Canvas()->SetPixels(x, y, static_cast<TColor>(gdi::RGB((x + noise) & 255, (y * 3 + noise) & 255,
                                                                             (x ^ y) & 255)));
        }
    return bitmap;
}

// One way of writing a picture file: the class the editor writes that format with.
struct Writer {
    const char* name;
    const char* extension;
    std::function<std::unique_ptr<TGraphic>(TBitmap&)> make;
};

void PrintTo(const Writer& writer, std::ostream* out)
{
    *out << writer.name;
}

std::unique_ptr<TGraphic> dibOfClass(TBitmap& bitmap, const char* extension)
{
    std::unique_ptr<TDibGraphic> picture =
        TDibGraphic::CreateGraphicForFile(QStringLiteral("x.") + QString::fromLatin1(extension));
    picture->Assign(&bitmap);
    return picture;
}

const std::vector<Writer>& writers()
{
    static const std::vector<Writer> table = {
        {"Bmp", "bmp",
         [](TBitmap& bitmap) {
             auto copy = std::make_unique<TBitmap>();
             copy->Assign(&bitmap);
             return std::unique_ptr<TGraphic>(std::move(copy));
         }},
        {"Png", "png", [](TBitmap& bitmap) { return dibOfClass(bitmap, "png"); }},
        {"Jpeg", "jpg",
         [](TBitmap& bitmap) {
             auto jpeg = std::make_unique<TJPEGImage>();
             jpeg->Assign(&bitmap);
             return std::unique_ptr<TGraphic>(std::move(jpeg));
         }},
        {"Tiff", "tif", [](TBitmap& bitmap) { return dibOfClass(bitmap, "tif"); }},
        {"Pcx", "pcx", [](TBitmap& bitmap) { return dibOfClass(bitmap, "pcx"); }},
        {"Dcx", "dcx", [](TBitmap& bitmap) { return dibOfClass(bitmap, "dcx"); }},
        {"Tga", "tga", [](TBitmap& bitmap) { return dibOfClass(bitmap, "tga"); }},
        {"Webp", "webp", [](TBitmap& bitmap) { return dibOfClass(bitmap, "webp"); }},
        {"Ico", "ico",
         [](TBitmap& bitmap) {
             TDibGraphic picture;
             picture.Assign(&bitmap);
             auto icon = std::make_unique<TIcon>();
             icon->Assign(&picture);
             return std::unique_ptr<TGraphic>(std::move(icon));
         }},
        {"Emf", "emf",
         [](TBitmap& bitmap) {
             auto metafile = std::make_unique<TMetafile>();
             metafile->Assign(&bitmap);
             return std::unique_ptr<TGraphic>(std::move(metafile));
         }},
    };
    return table;
}

// A file system of its own, for the faults only a real one shows: a full disk, a read-only
// folder that binds root too. Mounting needs root, as CI runs.
class SmallFileSystem {
public:
    SmallFileSystem(const QString& folder, int kilobytes) : folder_(QFile::encodeName(folder))
    {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", folder_.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallFileSystem()
    {
        if (mounted_)
            ::umount2(folder_.constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    bool makeReadOnly() { return ::mount(nullptr, folder_.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0; }
    // Takes every free block with a file of its own but about the bytes to leave free.
    void fill(int64_t leave = 0)
    {
        const QByteArray path = folder_ + "/filler";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        const std::vector<char> block(4096, 'f');
        int64_t size = 0;
        for (ssize_t written; (written = ::write(fd, block.data(), block.size())) > 0;)
            size += written;
        ASSERT_EQ(::ftruncate(fd, std::max<int64_t>(0, size - leave)), 0);
        ::close(fd);
    }

private:
    QByteArray folder_;
    bool mounted_ = false;
};

enum class Fault { ReadOnlyFolder, FullDisk, NameIsAFolder, NameTooLong, FolderMissing };

const char* faultName(Fault fault)
{
    switch (fault) {
    case Fault::ReadOnlyFolder:
        return "ReadOnlyFolder";
    case Fault::FullDisk:
        return "FullDisk";
    case Fault::NameIsAFolder:
        return "NameIsAFolder";
    case Fault::NameTooLong:
        return "NameTooLong";
    case Fault::FolderMissing:
        return "FolderMissing";
    }
    return "";
}

// What the message must say for each fault, in the words the user reads.
QString reasonFor(Fault fault)
{
    switch (fault) {
    case Fault::ReadOnlyFolder:
        return QStringLiteral("диск доступен только для чтения");
    case Fault::FullDisk:
        return QStringLiteral("на диске нет места");
    case Fault::NameIsAFolder:
        return QStringLiteral("под этим именем уже есть папка");
    case Fault::NameTooLong:
        return QStringLiteral("имя файла слишком длинное");
    case Fault::FolderMissing:
        return QStringLiteral("папки нет");
    }
    return {};
}

// A folder set up for one fault and the file name to save as. Where a file can already be
// there, it holds the old bytes that must survive.
class FaultyPlace {
public:
    // A full disk leaves room for about fullDiskRoom bytes of the new file.
    FaultyPlace(const QString& root, Fault fault, const QString& extension, int64_t fullDiskRoom = 0)
        : folder_(root + QStringLiteral("/place"))
        , fault_(fault)
    {
        QDir().mkpath(folder_);
        fileName_ = folder_ + QStringLiteral("/картинка.") + extension;
        switch (fault) {
        case Fault::ReadOnlyFolder:
        case Fault::FullDisk:
            fileSystem_ = std::make_unique<SmallFileSystem>(folder_, 256);
            if (!fileSystem_->mounted())
                return;
            writeAll(fileName_, old());
            if (fault == Fault::ReadOnlyFolder)
                usable_ = fileSystem_->makeReadOnly();
            else {
                fileSystem_->fill(fullDiskRoom);
                usable_ = true;
            }
            break;
        case Fault::NameIsAFolder:
            usable_ = QDir().mkdir(fileName_);
            break;
        case Fault::NameTooLong:
            fileName_ = folder_ + QChar('/') + QString(300, QChar('a')) + QChar('.') + extension;
            usable_ = true;
            break;
        case Fault::FolderMissing:
            fileName_ = folder_ + QStringLiteral("/удалена/картинка.") + extension;
            usable_ = true;
            break;
        }
    }

    static QByteArray old() { return QByteArray("the picture as it was"); }
    bool usable() const { return usable_; }
    const QString& fileName() const { return fileName_; }

    // Nothing but what was there before: the old file whole, no temporary beside it.
    void expectUntouched() const
    {
        switch (fault_) {
        case Fault::ReadOnlyFolder:
            EXPECT_EQ(readAll(fileName_), old());
            EXPECT_EQ(entries(folder_), QStringList{QFileInfo(fileName_).fileName()});
            break;
        case Fault::FullDisk:
            EXPECT_EQ(readAll(fileName_), old());
            EXPECT_EQ(entries(folder_), (QStringList{QStringLiteral("filler"), QFileInfo(fileName_).fileName()}));
            break;
        case Fault::NameIsAFolder:
            EXPECT_TRUE(QFileInfo(fileName_).isDir());
            EXPECT_EQ(entries(fileName_), QStringList{});
            EXPECT_EQ(entries(folder_), QStringList{QFileInfo(fileName_).fileName()});
            break;
        case Fault::NameTooLong:
        case Fault::FolderMissing:
            EXPECT_EQ(entries(folder_), QStringList{});
            break;
        }
    }

private:
    QString folder_;
    QString fileName_;
    Fault fault_;
    std::unique_ptr<SmallFileSystem> fileSystem_;
    bool usable_ = false;
};

void expectNamesFileAndReason(const QString& message, const QString& fileName, Fault fault)
{
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(fileName))) << message.toStdString();
    EXPECT_TRUE(message.contains(reasonFor(fault))) << message.toStdString();
}

class WriterFaultTest : public ::testing::TestWithParam<std::tuple<Writer, Fault>> {
protected:
    void SetUp() override { RegisterPictureFormats(); }
    QTemporaryDir dir;
};

TEST_P(WriterFaultTest, TheOldFileStaysAndTheMessageSaysWhichAndWhy)
{
    const auto& [writer, fault] = GetParam();
    std::unique_ptr<TBitmap> bitmap = noisyBitmap(300, 200);
    std::unique_ptr<TGraphic> graphic = writer.make(*bitmap);
    // The disk fills halfway through the file, where the writers are in the middle of their rows.
    TMemoryStream whole;
    graphic->SaveToStream(whole);
    FaultyPlace place(dir.path(), fault, QString::fromLatin1(writer.extension), whole.Size() / 2);
    if (!place.usable())
        GTEST_SKIP() << "a file system of its own cannot be mounted here (needs root)";

    try {
        graphic->SaveToFile(place.fileName());
        ADD_FAILURE() << "the save went through";
    } catch (const Exception& e) {
        expectNamesFileAndReason(e.Message(), place.fileName(), fault);
    }
    place.expectUntouched();
}

INSTANTIATE_TEST_SUITE_P(
    EveryWriter, WriterFaultTest,
    ::testing::Combine(::testing::ValuesIn(writers()),
                       ::testing::Values(Fault::ReadOnlyFolder, Fault::FullDisk, Fault::NameIsAFolder,
                                         Fault::NameTooLong, Fault::FolderMissing)),
    [](const ::testing::TestParamInfo<std::tuple<Writer, Fault>>& info) {
        return std::string(std::get<0>(info.param).name) + "_" + faultName(std::get<1>(info.param));
    });

// The bytes a process has written so far, by the kernel's count.
int64_t bytesWritten(pid_t process)
{
    QFile io(QStringLiteral("/proc/%1/io").arg(process));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("wchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

// The whole new file: the bytes of a save made earlier, but for a time stamp (TIFF keeps the
// time of writing, "yyyy:MM:dd hh:mm:ss").
bool isWholeSave(const QByteArray& bytes, const QByteArray& earlierSave)
{
    if (bytes.size() != earlierSave.size())
        return false;
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] != earlierSave[i]) {
            if (first < 0)
                first = i;
            last = i;
        }
    return first < 0 || last - first < 19;
}

// Saves to path in a child process again and again and kills it at a moment each time: half the
// moments at even steps of the bytes written (the last once all are out but before the file is
// put in place), half at even steps of the time a whole save takes, which also catches writers
// that encode first and write at once. Each time the file must be the old one or the whole new
// one. A kill in the instant the new file is being put in place may leave its hidden name, which
// carries the killed process's number; the next save removes it, so one save to the end follows.
void expectKillsLeaveOldOrWhole(const QString& path, const QByteArray& complete, int64_t wholeSaveNs,
                                const std::function<void()>& save)
{
    const QString folder = QFileInfo(path).path();
    const QString name = QFileInfo(path).fileName();
    const QByteArray old(64 * 1024, 'o');
    constexpr int kMoments = 12;
    QElapsedTimer timer;
    QStringList killedTemporaries;
    // The last moment lets the save run to its end.
    for (int moment = 0; moment <= 2 * kMoments; ++moment) {
        const bool byBytes = moment < kMoments;
        const int step = byBytes ? moment + 1 : moment - kMoments;
        const bool toTheEnd = moment == 2 * kMoments;
        writeAll(path, old);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            (void)!::write(ready[1], "x", 1);
            ::close(ready[1]);
            try {
                save();
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        char signal = 0;
        ASSERT_EQ(::read(ready[0], &signal, 1), 1);
        ::close(ready[0]);
        timer.start();
        // The child's own byte (the pipe) counts too.
        const int64_t killAtByte = 1 + int64_t(complete.size()) * step / kMoments;
        const int64_t killAtTime = wholeSaveNs * step / kMoments;
        int status = 0;
        bool exited = false;
        while (!exited && !toTheEnd) {
            if (byBytes) {
                const int64_t written = bytesWritten(child);
                if (written < 0 || written >= killAtByte)
                    break;
            } else if (timer.nsecsElapsed() >= killAtTime) {
                break;
            }
            exited = ::waitpid(child, &status, WNOHANG) == child;
            if (!exited)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (!exited && !toTheEnd)
            ::kill(child, SIGKILL);
        if (!exited)
            ::waitpid(child, &status, 0);

        const QByteArray now = readAll(path);
        EXPECT_TRUE(now == old || isWholeSave(now, complete))
            << "moment " << moment << ": " << now.size() << " bytes, " << complete.size() << " in a whole file";
        // A hidden name may stay until a later save gets far enough to clear it.
        if (!toTheEnd)
            killedTemporaries << QStringLiteral(".%1.%2.saving-").arg(name).arg(child);
        for (const QString& entry : entries(folder)) {
            const bool ofAKilledSave = std::any_of(killedTemporaries.begin(), killedTemporaries.end(),
                                                   [&](const QString& prefix) { return entry.startsWith(prefix); });
            EXPECT_TRUE(entry == name || (!toTheEnd && ofAKilledSave))
                << "moment " << moment << ": " << entry.toStdString();
        }
    }
    EXPECT_TRUE(isWholeSave(readAll(path), complete));
}

class WriterKillTest : public ::testing::TestWithParam<Writer> {
protected:
    void SetUp() override { RegisterPictureFormats(); }
    QTemporaryDir dir;
};

TEST_P(WriterKillTest, AKillAtAnyMomentLeavesTheOldFileOrTheNewOneWhole)
{
    const Writer& writer = GetParam();
    std::unique_ptr<TBitmap> bitmap = noisyBitmap(1000, 800);
    std::unique_ptr<TGraphic> graphic = writer.make(*bitmap);

    const QString name = QStringLiteral("big.") + QString::fromLatin1(writer.extension);
    const QString reference = dir.filePath(name);
    QElapsedTimer timer;
    timer.start();
    graphic->SaveToFile(reference);
    const int64_t wholeSave = timer.nsecsElapsed();
    const QByteArray complete = readAll(reference);
    ASSERT_GT(complete.size(), 1000);

    const QString folder = dir.filePath(QStringLiteral("target"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QChar('/') + name;
    expectKillsLeaveOldOrWhole(path, complete, wholeSave, [&] { graphic->SaveToFile(path); });
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, WriterKillTest, ::testing::ValuesIn(writers()),
                         [](const ::testing::TestParamInfo<Writer>& info) { return std::string(info.param.name); });

// Through the window: the save dialog answered, the fault met, the error box shown. The picture
// on screen, its Modified and its name stay as they were.
struct SaveRoute {
    const char* name;
    const char* extension;
    int entry; // of the save dialog; 0: "Экспорт..." as a metafile
};

enum class WindowFault { ReadOnlyFolder, FullDisk, FolderRemovedWhileDialogOpen };

const char* windowFaultName(WindowFault fault)
{
    switch (fault) {
    case WindowFault::ReadOnlyFolder:
        return "ReadOnlyFolder";
    case WindowFault::FullDisk:
        return "FullDisk";
    case WindowFault::FolderRemovedWhileDialogOpen:
        return "FolderRemovedWhileDialogOpen";
    }
    return "";
}

class SaveFaultWindowTest : public PictureWindowTest,
                            public ::testing::WithParamInterface<std::tuple<SaveRoute, WindowFault>> {
protected:
    void SetUp() override
    {
        PictureWindowTest::SetUp();
        RegisterPictureFormats();
        jpegDialog = std::make_unique<TJPGPar>();
        JPGPar = jpegDialog.get();
    }
    void TearDown() override
    {
        PictureWindowTest::TearDown();
        JPGPar = nullptr;
    }

    QTemporaryDir dir;
    std::unique_ptr<TJPGPar> jpegDialog;
};

TEST_P(SaveFaultWindowTest, TheErrorBoxSaysWhichAndWhyAndTheWindowKeepsItsPicture)
{
    const auto& [route, fault] = GetParam();
    const QString folder = dir.filePath(QStringLiteral("place"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString extension = QString::fromLatin1(route.extension);
    // A new name: the dialog's own question before replacing a file is not the point here.
    const QString path = folder + QStringLiteral("/новая.") + extension;
    const QString oldPath = folder + QStringLiteral("/картинка.") + extension;
    std::unique_ptr<SmallFileSystem> fileSystem;
    if (fault != WindowFault::FolderRemovedWhileDialogOpen) {
        fileSystem = std::make_unique<SmallFileSystem>(folder, 256);
        if (!fileSystem->mounted())
            GTEST_SKIP() << "a file system of its own cannot be mounted here (needs root)";
        writeAll(oldPath, FaultyPlace::old());
        if (fault == WindowFault::ReadOnlyFolder)
            ASSERT_TRUE(fileSystem->makeReadOnly());
        else
            fileSystem->fill();
    }

    TFormMain* window = newPicture(60, 40);
    window->RectangleButton->click();
    mouseDrag(window->ImageScrollBox1->ImageControl(), QPoint(10, 8), QPoint(40, 30));
    ASSERT_TRUE(window->Modified);
    const std::vector<uint32_t> drawn = pixels(*window->GetGraphic());

    ModalScript script;
    Answer choose = chooseFile(path, route.entry);
    if (fault == WindowFault::FolderRemovedWhileDialogOpen)
        choose = steps({[folder](QDialog&) { ASSERT_TRUE(QDir(folder).removeRecursively()); }, choose});
    script.then(choose);
    if (route.entry == file_commands::JpegEntry)
        script.then(pressButton(QStringLiteral("Да")));
    script.then(closeDialog());
    (route.entry == 0 ? window->Export : window->Saveas1)->trigger();

    ASSERT_EQ(script.unanswered(), 0);
    const QString error = script.shown().last().text;
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
    const QString reason = fault == WindowFault::ReadOnlyFolder ? reasonFor(Fault::ReadOnlyFolder)
                           : fault == WindowFault::FullDisk     ? reasonFor(Fault::FullDisk)
                                                                : reasonFor(Fault::FolderMissing);
    EXPECT_TRUE(error.contains(reason)) << error.toStdString();
    EXPECT_TRUE(window->Modified);
    EXPECT_TRUE(window->FileName.isEmpty());
    EXPECT_EQ(pixels(*window->GetGraphic()), drawn);
    if (fault == WindowFault::FolderRemovedWhileDialogOpen) {
        EXPECT_FALSE(QFileInfo::exists(folder));
    } else {
        EXPECT_EQ(readAll(oldPath), FaultyPlace::old());
        EXPECT_EQ(entries(folder), (fault == WindowFault::FullDisk
                                        ? QStringList{QStringLiteral("filler"), QFileInfo(oldPath).fileName()}
                                        : QStringList{QFileInfo(oldPath).fileName()}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryRoute, SaveFaultWindowTest,
    ::testing::Combine(::testing::Values(SaveRoute{"Bmp", "bmp", 1}, SaveRoute{"Jpeg", "jpg", file_commands::JpegEntry},
                                         SaveRoute{"Tiff", "tif", file_commands::TiffEntry},
                                         SaveRoute{"Png", "png", file_commands::PngEntry},
                                         SaveRoute{"Webp", "webp", file_commands::WebpEntry},
                                         SaveRoute{"ExportEmf", "emf", 0}),
                       ::testing::Values(WindowFault::ReadOnlyFolder, WindowFault::FullDisk,
                                         WindowFault::FolderRemovedWhileDialogOpen)),
    [](const ::testing::TestParamInfo<std::tuple<SaveRoute, WindowFault>>& info) {
        return std::string(std::get<0>(info.param).name) + "_" + windowFaultName(std::get<1>(info.param));
    });

// "&Сохранить" over the file the window was opened from, in that file's own format: the fault
// leaves the file as it was on disk and the window as it was on screen.
class SaveOverOpenedFileTest : public PictureWindowTest,
                               public ::testing::WithParamInterface<std::tuple<Writer, Fault>> {
protected:
    void SetUp() override
    {
        PictureWindowTest::SetUp();
        RegisterPictureFormats();
    }

    QTemporaryDir dir;
};

TEST_P(SaveOverOpenedFileTest, TheFileOnDiskAndTheWindowStayAsTheyWere)
{
    const auto& [writer, fault] = GetParam();
    const QString folder = dir.filePath(QStringLiteral("place"));
    ASSERT_TRUE(QDir().mkpath(folder));
    SmallFileSystem fileSystem(folder, 1024);
    if (!fileSystem.mounted())
        GTEST_SKIP() << "a file system of its own cannot be mounted here (needs root)";
    const QString path = folder + QStringLiteral("/картинка.") + QString::fromLatin1(writer.extension);
    std::unique_ptr<TBitmap> bitmap = noisyBitmap(60, 40);
    writer.make(*bitmap)->SaveToFile(path);
    const QByteArray onDisk = readAll(path);

    TFormMain* issuing = newPicture(8, 8);
    ModalScript open;
    open.then(chooseFile(path, 2));
    issuing->Open1->trigger();
    ASSERT_EQ(open.count(), 1);
    TFormMain* window = FormMain;
    ASSERT_NE(window, issuing);
    window->RectangleButton->click();
    mouseDrag(window->ImageScrollBox1->ImageControl(), QPoint(10, 8), QPoint(40, 30));
    ASSERT_TRUE(window->Modified);
    const std::vector<uint32_t> drawn = pixels(*window->GetGraphic());
    if (fault == Fault::ReadOnlyFolder)
        ASSERT_TRUE(fileSystem.makeReadOnly());
    else
        fileSystem.fill();

    ModalScript script;
    script.then(closeDialog());
    window->Save1->trigger();

    ASSERT_EQ(script.count(), 1);
    expectNamesFileAndReason(script.shown()[0].text, path, fault);
    EXPECT_TRUE(window->Modified);
    EXPECT_EQ(window->FileName, path);
    EXPECT_EQ(pixels(*window->GetGraphic()), drawn);
    EXPECT_EQ(readAll(path), onDisk);
}

// The formats a window opens and saves back: not icons (kept as read, no drawing on them), not
// metafiles (only exported).
std::vector<Writer> formatsSavedBack()
{
    std::vector<Writer> formats;
    for (const Writer& writer : writers())
        if (std::string(writer.extension) != "ico" && std::string(writer.extension) != "emf")
            formats.push_back(writer);
    return formats;
}

INSTANTIATE_TEST_SUITE_P(
    EveryEditableFormat, SaveOverOpenedFileTest,
    ::testing::Combine(::testing::ValuesIn(formatsSavedBack()),
                       ::testing::Values(Fault::ReadOnlyFolder, Fault::FullDisk)),
    [](const ::testing::TestParamInfo<std::tuple<Writer, Fault>>& info) {
        return std::string(std::get<0>(info.param).name) + "_" + faultName(std::get<1>(info.param));
    });

// The benchmark tool writes BMP and PPM itself; those writers must meet a full disk and a kill
// the way the editor's do. The tool runs as its own process, as it is used.
class BenchToolSaveTest : public ::testing::TestWithParam<const char*> {
protected:
    // A 700 x 500 noisy picture as a binary PPM, the tool's plain input.
    QString makeInput()
    {
        const int width = 700, height = 500;
        QByteArray ppm = QByteArray("P6\n") + QByteArray::number(width) + " " + QByteArray::number(height) + "\n255\n";
        std::mt19937 random(11);
        for (int i = 0; i < width * height * 3; ++i)
            ppm.append(static_cast<char>(random() & 0xFF));
        const QString path = dir.filePath(QStringLiteral("input.ppm"));
        writeAll(path, ppm);
        return path;
    }
    // Runs "pictavo-bench copy IN OUT"; gives its exit code and what it said.
    static int runTool(const QString& in, const QString& out, QString* said = nullptr)
    {
        QProcess tool;
        tool.start(QStringLiteral(PICTAVO_BENCH_TOOL_PATH), {QStringLiteral("copy"), in, out});
        tool.waitForFinished(120000);
        if (said)
            *said = QString::fromUtf8(tool.readAllStandardError());
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }
    static void execTool(const QString& in, const QString& out)
    {
        const QByteArray tool = PICTAVO_BENCH_TOOL_PATH, inPath = QFile::encodeName(in), outPath = QFile::encodeName(out);
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDERR_FILENO);
        ::execl(tool.constData(), tool.constData(), "copy", inPath.constData(), outPath.constData(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }

    QTemporaryDir dir;
};

TEST_P(BenchToolSaveTest, AFullDiskLeavesTheOldFileAndSaysWhichAndWhy)
{
    const QString input = makeInput();
    const QString folder = dir.filePath(QStringLiteral("place"));
    ASSERT_TRUE(QDir().mkpath(folder));
    SmallFileSystem fileSystem(folder, 1024);
    if (!fileSystem.mounted())
        GTEST_SKIP() << "a file system of its own cannot be mounted here (needs root)";
    const QString path = folder + QStringLiteral("/картинка.") + QString::fromLatin1(GetParam());
    writeAll(path, FaultyPlace::old());
    // Room for about half the new file.
    fileSystem.fill(700 * 500 * 3 / 2);

    QString said;
    EXPECT_EQ(runTool(input, path, &said), 1);
    EXPECT_TRUE(said.contains(path)) << said.toStdString();
    EXPECT_TRUE(said.contains(reasonFor(Fault::FullDisk))) << said.toStdString();
    EXPECT_EQ(readAll(path), FaultyPlace::old());
    EXPECT_EQ(entries(folder), (QStringList{QStringLiteral("filler"), QFileInfo(path).fileName()}));
}

TEST_P(BenchToolSaveTest, AKillAtAnyMomentLeavesTheOldFileOrTheNewOneWhole)
{
    const QString input = makeInput();
    const QString name = QStringLiteral("big.") + QString::fromLatin1(GetParam());
    const QString reference = dir.filePath(name);
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(runTool(input, reference), 0);
    const int64_t wholeRun = timer.nsecsElapsed();
    const QByteArray complete = readAll(reference);
    ASSERT_GT(complete.size(), 700 * 500 * 3);

    const QString folder = dir.filePath(QStringLiteral("target"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QChar('/') + name;
    expectKillsLeaveOldOrWhole(path, complete, wholeRun, [&] { execTool(input, path); });
}

INSTANTIATE_TEST_SUITE_P(OwnWriters, BenchToolSaveTest, ::testing::Values("bmp", "ppm"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace
