// The scanner object: the singleton rule, CallTriplet's status check and the order of the
// triplets against a scripted source manager, the missing-manager message, and scans through
// our own source manager over SANE's test backend.

#include "document/scanner.h"
#include "editing/image_scroll_box.h"
#include "modal_script.h"
#include "picture_window_fixture.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "platform/framework/size_policy.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Triplet {
    bool toSource;
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    bool operator==(const Triplet&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Triplet& t)
{
    return out << (t.toSource ? "DS " : "DSM ") << t.dg << "/0x" << std::hex << t.dat << "/0x" << t.msg << std::dec;
}

// A source manager that answers from a script: the pages it transfers (their sizes), and a
// return code and condition for one triplet. Records every triplet but the status requests.
struct FakeManager {
    std::vector<std::pair<int, int>> pages;
    Triplet failing{false, 0, 0, 0};
    TW_UINT16 failingCode = TWRC_SUCCESS;
    TW_UINT16 failingCondition = TWCC_SUCCESS;
    std::vector<Triplet> calls;
    int statusRequests = 0;
    TW_UINT16 condition = TWCC_SUCCESS;
    size_t next = 0;
    bool readySent = false;
    std::vector<TW_ONEVALUE> capabilities;
    TW_IDENTITY appIdentity{};
};

FakeManager* fake = nullptr;

TW_HANDLE packedDib(int width, int height)
{
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
    TW_HANDLE handle = twain_memory::Alloc(40 + rowBytes * height);
    uint8_t* block = twain_memory::Lock(handle);
    const int32_t header[] = {40, width, height};
    std::memcpy(block, header, sizeof(header));
    block[12] = 1;
    block[14] = 24;
    std::memset(block + 40, 0x80, rowBytes * height);
    return handle;
}

TW_UINT16 fakeEntry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (dat == DAT_STATUS) {
        ++fake->statusRequests;
        static_cast<TW_STATUS*>(data)->ConditionCode = fake->condition;
        return TWRC_SUCCESS;
    }
    const Triplet call{dest != nullptr, dg, dat, msg};
    fake->calls.push_back(call);
    fake->appIdentity = *origin;
    if (dat == DAT_IDENTITY && msg == MSG_OPENDS)
        static_cast<TW_IDENTITY*>(data)->Id = 7;
    if (call == fake->failing) {
        fake->condition = fake->failingCondition;
        return fake->failingCode;
    }
    if (dat == DAT_CAPABILITY) {
        auto* cap = static_cast<TW_CAPABILITY*>(data);
        EXPECT_EQ(cap->ConType, TWON_ONEVALUE);
        EXPECT_EQ(twain_memory::Size(cap->hContainer), 6u);
        TW_ONEVALUE one;
        std::memcpy(&one, twain_memory::Lock(cap->hContainer), sizeof(one));
        fake->capabilities.push_back(one);
    }
    if (dat == DAT_EVENT) {
        auto* event = static_cast<TW_EVENT*>(data);
        event->TWMessage = fake->readySent ? MSG_NULL : MSG_XFERREADY;
        fake->readySent = true;
        return TWRC_DSEVENT;
    }
    if (dat == DAT_IMAGEINFO) {
        auto* info = static_cast<TW_IMAGEINFO*>(data);
        info->XResolution.Whole = 300;
        info->YResolution.Whole = 150;
    }
    if (dat == DAT_IMAGENATIVEXFER) {
        const auto [width, height] = fake->pages.at(fake->next++);
        *static_cast<TW_HANDLE*>(data) = packedDib(width, height);
        return TWRC_XFERDONE;
    }
    if (dat == DAT_PENDINGXFERS)
        static_cast<TW_PENDINGXFERS*>(data)->Count =
            msg == MSG_RESET ? 0 : static_cast<TW_UINT16>(fake->pages.size() - fake->next);
    return TWRC_SUCCESS;
}

constexpr Triplet OpenDsm{false, DG_CONTROL, DAT_PARENT, MSG_OPENDSM};
constexpr Triplet OpenDs{false, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS};
constexpr Triplet SetCap{true, DG_CONTROL, DAT_CAPABILITY, MSG_SET};
constexpr Triplet Enable{true, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS};
constexpr Triplet Event{true, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT};
constexpr Triplet Info{true, DG_IMAGE, DAT_IMAGEINFO, MSG_GET};
constexpr Triplet Native{true, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET};
constexpr Triplet EndXfer{true, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER};
constexpr Triplet Reset{true, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET};
constexpr Triplet Disable{true, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS};
constexpr Triplet CloseDs{false, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS};
constexpr Triplet CloseDsm{false, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM};

// Puts the scripted manager in place of the library for one test.
class ScriptedManager {
public:
    explicit ScriptedManager(FakeManager& manager)
    {
        fake = &manager;
        TScanner::SetEntryOverride(&fakeEntry);
    }
    ~ScriptedManager()
    {
        TScanner::SetEntryOverride(nullptr);
        fake = nullptr;
    }
};

// The triplets up to the nested loop: the manager, the source, the three capabilities, enabling.
std::vector<Triplet> opening()
{
    return {OpenDsm, OpenDs, SetCap, SetCap, SetCap, Enable};
}

std::vector<Triplet> concat(std::vector<Triplet> a, const std::vector<Triplet>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(ScannerTest, OnlyOneScannerObjectAtATime)
{
    auto first = std::make_unique<TScanner>();
    try {
        TScanner second;
        FAIL() << "a second scanner object was made";
    } catch (const EScannerError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Only one scanner object is permitted"));
    }
    // The refused one did not own the flag: the first still does, and frees it.
    EXPECT_THROW(TScanner(), EScannerError);
    first.reset();
    EXPECT_NO_THROW(TScanner());
}

// Two pages: each triplet in order, the capabilities and the application identity as the
// program announces itself, and both pictures handed to the callback.
TEST(ScannerTest, ATwoPageTransferSendsTheTripletsInOrder)
{
    FakeManager manager;
    manager.pages = {{4, 3}, {5, 2}};
    ScriptedManager scripted(manager);
    std::vector<std::tuple<int, int, int, int>> received;
    {
        TScanner scanner;
        scanner.Acquire([&](TW_HANDLE dib, int xDpi, int yDpi, intptr_t userData) {
            const int32_t* header = reinterpret_cast<const int32_t*>(twain_memory::Lock(dib));
            received.emplace_back(header[1], header[2], xDpi + yDpi, static_cast<int>(userData));
        }, 42);
    }
    const std::vector<Triplet> expected =
        concat(opening(), {Event, Info, Native, EndXfer, Info, Native, EndXfer, Disable, CloseDs, CloseDsm});
    EXPECT_EQ(manager.calls, expected);
    EXPECT_EQ(received, (std::vector<std::tuple<int, int, int, int>>{{4, 3, 450, 42}, {5, 2, 450, 42}}));
    ASSERT_EQ(manager.capabilities.size(), 3u);
    // Copies: the fields of a packed structure cannot be bound to references.
    auto cap = [&](size_t i) {
        return std::pair<int, int>(manager.capabilities[i].ItemType,
                                   static_cast<TW_INT16>(static_cast<TW_UINT32>(manager.capabilities[i].Item)));
    };
    EXPECT_EQ(cap(0), std::make_pair(int(TWTY_UINT16), int(TWSX_NATIVE)));
    EXPECT_EQ(cap(1), std::make_pair(int(TWTY_INT16), -1));
    EXPECT_EQ(cap(2), std::make_pair(int(TWTY_UINT16), int(TWUN_INCHES)));
    const TW_IDENTITY& app = manager.appIdentity;
    const std::vector<int> identity = {int(app.Id), app.Version.MajorNum, app.Version.MinorNum, app.Version.Language,
                                       app.Version.Country, app.ProtocolMajor, app.ProtocolMinor,
                                       int(static_cast<TW_UINT32>(app.SupportedGroups))};
    EXPECT_EQ(identity, (std::vector<int>{0, 1, 0, 2, 1, 1, 5, 3}));
}

// A return code other than success counts as success only as CHECKSTATUS with a successful
// condition; where a failure stops the exchange, the clean-up still closes what was opened.
TEST(ScannerTest, StatusCheckAndCleanUpAfterAFailingTriplet)
{
    struct Case {
        const char* name;
        Triplet failing;
        TW_UINT16 code;
        TW_UINT16 condition;
        QString error; // empty: the exchange goes on
        std::vector<Triplet> calls;
    };
    const std::vector<Triplet> onePage = {Event, Info, Native, EndXfer, Disable, CloseDs, CloseDsm};
    const Case cases[] = {
        {"manager refuses", OpenDsm, TWRC_FAILURE, TWCC_SUCCESS, "Unable to open TWAIN source manager",
         {OpenDsm, CloseDsm}},
        {"no source", OpenDs, TWRC_FAILURE, TWCC_NODS,
         "Unable to open TWAIN data source\nСканер не найден: проверьте, что он подключён и включён.", {OpenDsm, OpenDs, CloseDsm}},
        {"check status, bad condition", OpenDs, TWRC_CHECKSTATUS, TWCC_BUMMER, "Unable to open TWAIN data source",
         {OpenDsm, OpenDs, CloseDsm}},
        {"check status, good condition", OpenDs, TWRC_CHECKSTATUS, TWCC_SUCCESS, "", concat(opening(), onePage)},
        {"failure with good condition", Enable, TWRC_FAILURE, TWCC_SUCCESS, "Unable to enable twain source.",
         concat(opening(), {CloseDs, CloseDsm})},
        {"close refused", CloseDs, TWRC_FAILURE, TWCC_BUMMER, "Unable to close TWAIN data source",
         concat(opening(), onePage)},
        {"a refused capability is ignored", SetCap, TWRC_FAILURE, TWCC_BADCAP, "", concat(opening(), onePage)},
        {"end of transfer refused: reset", EndXfer, TWRC_FAILURE, TWCC_BUMMER, "",
         concat(opening(), {Event, Info, Native, EndXfer, Reset, Disable, CloseDs, CloseDsm})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeManager manager;
        manager.pages = {{2, 2}};
        manager.failing = c.failing;
        manager.failingCode = c.code;
        manager.failingCondition = c.condition;
        ScriptedManager scripted(manager);
        QString error;
        try {
            TScanner scanner;
            scanner.Acquire([](TW_HANDLE, int, int, intptr_t) {}, 0);
        } catch (const Exception& e) {
            error = e.Message();
        }
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(manager.calls, c.calls);
    }
}

// A source that cannot describe its picture: the retries stop, and the transfer ends as failed.
TEST(ScannerTest, TheImageInfoRetryIsBounded)
{
    FakeManager manager;
    manager.pages = {{2, 2}};
    manager.failing = Info;
    manager.failingCode = TWRC_FAILURE;
    manager.failingCondition = TWCC_BUMMER;
    ScriptedManager scripted(manager);
    int pictures = 0;
    {
        TScanner scanner;
        scanner.Acquire([&](TW_HANDLE, int, int, intptr_t) { ++pictures; }, 0);
    }
    EXPECT_EQ(pictures, 0);
    std::vector<Triplet> expected = concat(opening(), {Event});
    expected.insert(expected.end(), TScanner::ImageInfoAttempts, Info);
    expected = concat(expected, {EndXfer, Reset, Disable, CloseDs, CloseDsm});
    EXPECT_EQ(manager.calls, expected);
}

class ScanCommandTest : public PictureWindowTest {};


// Three pages: the view shows the third and the work image follows it. The history restores
// pixels, not sizes (undo draws a slot at the top left of the picture as it is), so undo brings
// the picture from before the scan back into the top left of the larger scanned one.
TEST_F(ScanCommandTest, ThreePagesLeaveTheThirdInTheViewAndTheOldPictureInTheHistory)
{
    TFormMain* form = newPicture(40, 30);
    FakeManager manager;
    manager.pages = {{7, 5}, {9, 4}, {61, 45}};
    ScriptedManager scripted(manager);
    form->Scan->trigger();
    EXPECT_EQ(manager.next, 3u);
    const TDibGraphic* picture = form->GetGraphic();
    EXPECT_EQ(picture->GetWidth(), 61);
    EXPECT_EQ(picture->GetHeight(), 45);
    EXPECT_EQ(picture->GetPixelRGB(3, 3), 0x808080u);
    EXPECT_EQ(form->Image->Picture()->Width(), 61);
    EXPECT_EQ(form->Image->Picture()->Height(), 45);
    EXPECT_EQ(form->Image->Canvas()->Pixels(50, 40), TColor(0x808080));
    EXPECT_TRUE(form->Modified);
    ASSERT_TRUE(form->Undo1->isEnabled());
    form->Undo1->trigger();
    EXPECT_EQ(picture->GetPixelRGB(0, 0), 0xFFFFFFu);
    EXPECT_EQ(picture->GetPixelRGB(39, 29), 0xFFFFFFu);
    EXPECT_EQ(picture->GetPixelRGB(40, 29), 0x808080u);
    EXPECT_EQ(picture->GetPixelRGB(39, 30), 0x808080u);
}

// Without the source manager the Part's message is shown; the scanner object went with the
// failure, so the next scan fails the same way and not as a second scanner object.
TEST_F(ScanCommandTest, AMissingSourceManagerIsNamedInTheMessage)
{
    TFormMain* form = newPicture(40, 30);
    const QString path = QStringLiteral("/nonexistent/libpictavo_twain_dsm.so");
    qputenv("PICTAVO_TWAIN_DSM", path.toLocal8Bit());
    widget_test::ModalScript script;
    form->Scan->trigger();
    form->Scan->trigger();
    qunsetenv("PICTAVO_TWAIN_DSM");
    ASSERT_EQ(script.count(), 2);
    for (const widget_test::ShownDialog& shown : script.shown())
        EXPECT_EQ(shown.text, QStringLiteral("LoadLibrary(") + path + QStringLiteral(") failed"));
    EXPECT_FALSE(form->Modified);
}

// SANE reads its configuration once per process: a test of another configuration can only run
// before any scan of this process (ctest runs each test in a process of its own).
namespace {
bool saneConfiguredInThisProcess = false;
}

// Our source manager over SANE's test backend, its dialog pressed by PICTAVO_TWAIN_AUTOSCAN.
class SaneScanTest : public PictureWindowTest {
protected:
    void SetUp() override
    {
        PictureWindowTest::SetUp();
        configuredBefore = saneConfiguredInThisProcess;
        saneConfiguredInThisProcess = true;
        ASSERT_TRUE(config.isValid());
        writeFile(QStringLiteral("dll.conf"), QStringLiteral("test\n"));
        writeFile(QStringLiteral("test.conf"), QStringLiteral("number_of_devices 1\n"));
        // Only our folder: no other backend probes for hardware.
        qputenv("SANE_CONFIG_DIR", config.path().toLocal8Bit());
        qputenv("PICTAVO_TWAIN_DSM", PICTAVO_TWAIN_DSM_PATH);
        qputenv("PICTAVO_TWAIN_AUTOSCAN", "3");
    }
    void TearDown() override
    {
        qunsetenv("PICTAVO_TWAIN_AUTOSCAN");
        qunsetenv("PICTAVO_TWAIN_DSM");
        qunsetenv("SANE_CONFIG_DIR");
        PictureWindowTest::TearDown();
    }
    void writeFile(const QString& name, const QString& text)
    {
        QFile file(config.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }
    QTemporaryDir config;
    bool configuredBefore = false;
};

TEST_F(SaneScanTest, OnePressTransfersThreePagesAsPackedDibs)
{
    std::vector<std::pair<int, int>> sizes;
    {
        TScanner scanner;
        scanner.Acquire([&](TW_HANDLE dib, int xDpi, int, intptr_t) {
            TDibGraphic page;
            page.LoadFromHDIB(std::span<const uint8_t>(twain_memory::Lock(dib), twain_memory::Size(dib)));
            EXPECT_GT(xDpi, 0);
            sizes.emplace_back(page.GetWidth(), page.GetHeight());
        }, 0);
    }
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_GT(sizes[0].first, 0);
    EXPECT_EQ(sizes[1], sizes[0]);
    EXPECT_EQ(sizes[2], sizes[0]);
}

TEST_F(SaneScanTest, AScanFromTheWindowShowsTheLastPageAndKeepsTheOldPictureForUndo)
{
    TFormMain* form = newPicture(40, 30);
    widget_test::ModalScript script;
    form->Scan->trigger();
    EXPECT_EQ(script.count(), 0) << script.shown().value(0).text.toStdString();
    const int width = form->GetGraphic()->GetWidth();
    const int height = form->GetGraphic()->GetHeight();
    ASSERT_GT(width, 40);
    ASSERT_GT(height, 30);
    EXPECT_EQ(form->Image->Picture()->Width(), width);
    EXPECT_EQ(form->Image->Picture()->Height(), height);
    // The test backend's default picture is solid black.
    EXPECT_EQ(form->GetGraphic()->GetPixelRGB(width / 2, height / 2), 0u);
    EXPECT_TRUE(form->Modified);
    // The white picture from before comes back at the top left.
    form->Undo1->trigger();
    EXPECT_EQ(form->GetGraphic()->GetPixelRGB(39, 29), 0xFFFFFFu);
    EXPECT_EQ(form->GetGraphic()->GetPixelRGB(width - 1, height - 1), 0u);
    // The scanner object is gone: the next scan works as well.
    form->Scan->trigger();
    EXPECT_EQ(script.count(), 0);
    EXPECT_EQ(form->GetGraphic()->GetWidth(), width);
    EXPECT_EQ(form->GetGraphic()->GetHeight(), height);
}

// No device at all: the message says so in words a user acts on.
TEST_F(SaneScanTest, NoDeviceSaysThatNoScannerWasFound)
{
    if (configuredBefore)
        GTEST_SKIP() << "SANE took the test backend's configuration earlier in this process";
    writeFile(QStringLiteral("dll.conf"), QString());
    TFormMain* form = newPicture(40, 30);
    widget_test::ModalScript script;
    form->Scan->trigger();
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].text,
              QStringLiteral("Unable to open TWAIN data source\nСканер не найден: проверьте, что он подключён и включён."));
    EXPECT_FALSE(form->Modified);
}

// A page past what the window can hold is refused with the size named; the picture stays.
TEST_F(SaneScanTest, APagePastTheLimitIsRefusedAndThePictureStays)
{
    TFormMain* form = newPicture(40, 30);
    form->Modified = false;
    // Room for the 40 x 30 picture, not for the test backend's page.
    PictureSizePolicy::setMaxBytes(16 << 10);
    widget_test::ModalScript script;
    form->Scan->trigger();
    PictureSizePolicy::setMaxBytes(0);
    ASSERT_EQ(script.count(), 1);
    EXPECT_TRUE(script.shown()[0].text.startsWith(QStringLiteral("Рисунок ")));
    EXPECT_TRUE(script.shown()[0].text.endsWith(QStringLiteral(" точек слишком велик: для него не хватает памяти")))
        << script.shown()[0].text.toStdString();
    EXPECT_EQ(form->GetGraphic()->GetWidth(), 40);
    EXPECT_EQ(form->GetGraphic()->GetHeight(), 30);
    EXPECT_EQ(form->Image->Picture()->Width(), 40);
    EXPECT_EQ(form->GetGraphic()->GetPixelRGB(20, 15), 0xFFFFFFu);
    EXPECT_FALSE(form->Modified);
}
