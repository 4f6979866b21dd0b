// At start the pictures a run that is gone left unsaved are offered, and "Восстановить",
// "Удалить" and "Позже" do what they say; torn and unreadable journals are handled and named.

#include "frame_fixture.h"

#include "document/recovery_dialog.h"
#include "document/recovery_journal.h"
#include "document/recovery_store.h"
#include "imaging/dib_graphic.h"
#include "modal_script.h"
#include "platform/framework/graphic.h"

#include <QFile>
#include <QListWidget>
#include <QTest>

#include <random>

namespace {

using recovery::JournalInfo;
using widget_test::ModalScript;

class RecoveryTest : public FrameTest {
public:
    void SetUp() override
    {
        previousHome = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(home.path()));
        FrameTest::SetUp();
    }
    void TearDown() override
    {
        FrameTest::TearDown();
        qputenv("XDG_STATE_HOME", previousHome);
    }

    // A journal of a gone process holding picture, as a window with this name and caption left it.
    QString leaveJournal(const TDibGraphic& picture, const JournalInfo& info, const QString& tag)
    {
        recovery::RecoveryJournal journal;
        journal.recordChange(picture, info);
        journal.flush();
        const QString path = recovery::JournalFolder() + u'/' + tag + QStringLiteral(".1.journal");
        EXPECT_TRUE(QFile::copy(journal.path(), path));
        return path;
    }
    static std::unique_ptr<TDibGraphic> randomPicture(int width, int height, TImageFormat format, uint32_t seed)
    {
        auto picture = std::make_unique<TDibGraphic>();
        picture->NewImage(width, height, format, nullptr, 96, 96);
        std::mt19937 random(seed);
        uint8_t* bits = picture->Bits();
        for (int i = 0; i < picture->RowBytes() * height; ++i)
            bits[i] = static_cast<uint8_t>(random());
        return picture;
    }
    static std::vector<uint32_t> pixels(const TDibGraphic& picture)
    {
        std::vector<uint32_t> out;
        for (int y = 0; y < picture.GetHeight(); ++y)
            for (int x = 0; x < picture.GetWidth(); ++x)
                out.push_back(picture.GetPixelRGB(x, y));
        return out;
    }
    // Answers the recovery dialog with a button, keeping the lines it listed.
    widget_test::Answer answerWith(const QString& button)
    {
        return [this, button](QDialog& dialog) {
            auto& form = dynamic_cast<TRecoveryForm&>(dialog);
            for (int i = 0; i < form.PictureList->count(); ++i)
                listed.append(form.PictureList->item(i)->text());
            widget_test::pressButton(button)(dialog);
        };
    }

    QTemporaryDir home;
    QByteArray previousHome;
    QStringList listed;
};

// Two windows, one untitled: both come back in windows of their own with their names, format,
// pixels and Modified; their old journals go once the new windows' own are written.
TEST_F(RecoveryTest, RestoreOpensEveryPictureInItsOwnWindow)
{
    const auto named = randomPicture(31, 22, ifColor256, 1);
    const auto untitled = randomPicture(17, 40, ifTrueColor, 2);
    const QString namedPath = leaveJournal(
        *named, JournalInfo{QStringLiteral("/data/старый.pcx"), QStringLiteral("/data/старый.pcx"), QStringLiteral("TPcxGraphic"), false},
        QStringLiteral("101-0a0a"));
    const QString untitledPath =
        leaveJournal(*untitled, JournalInfo{QString(), QStringLiteral("Без имени"), QString(), false}, QStringLiteral("102-0b0b"));
    const int before = windows().size();
    {
        ModalScript script;
        script.then(answerWith(QStringLiteral("Восстановить")));
        forms->offerRecovery();
        EXPECT_EQ(script.count(), 1);
        EXPECT_EQ(script.shown().value(0).title, QStringLiteral("Восстановление рисунков"));
    }
    ASSERT_EQ(listed.size(), 2);
    EXPECT_TRUE(listed.filter(QStringLiteral("старый.pcx — 31 Х 22")).size() == 1) << listed.join(u'\n').toStdString();
    EXPECT_TRUE(listed.filter(QStringLiteral("Без имени — 17 Х 40")).size() == 1) << listed.join(u'\n').toStdString();

    const QList<TFormMain*> all = windows();
    ASSERT_EQ(all.size(), before + 2);
    for (TFormMain* form : all.mid(before)) {
        EXPECT_TRUE(form->Modified);
        const bool isNamed = form->FileName == QStringLiteral("/data/старый.pcx");
        const TDibGraphic& expected = isNamed ? *named : *untitled;
        EXPECT_EQ(form->windowTitle(), isNamed ? QStringLiteral("/data/старый.pcx") : QStringLiteral("Без имени"));
        EXPECT_EQ(form->GetGraphic()->ImageFormat(), expected.ImageFormat());
        EXPECT_EQ(pixels(*form->GetGraphic()), pixels(expected));
        if (isNamed) {
            ASSERT_TRUE(form->OpenedFormat);
            EXPECT_EQ(form->OpenedFormat->ClassName(), QStringLiteral("TPcxGraphic"));
        }
        EXPECT_FALSE(form->Undo1->isEnabled());
        form->Journal().flush();
        EXPECT_TRUE(QFile::exists(form->Journal().path()));
    }
    EXPECT_FALSE(QFile::exists(namedPath));
    EXPECT_FALSE(QFile::exists(untitledPath));
    EXPECT_TRUE(recovery::OrphanJournals().isEmpty());
}

// "Удалить" removes the journals; "Позже" keeps them for the next start, which offers them again.
TEST_F(RecoveryTest, DeleteRemovesAndLaterKeeps)
{
    const auto picture = randomPicture(10, 10, ifTrueColor, 3);
    const QString path = leaveJournal(*picture, JournalInfo{}, QStringLiteral("103-0c0c"));
    const int before = windows().size();
    {
        ModalScript script;
        script.then(answerWith(QStringLiteral("Позже")));
        forms->offerRecovery();
        EXPECT_EQ(script.count(), 1);
    }
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(windows().size(), before);
    {
        ModalScript script;
        script.then(answerWith(QStringLiteral("Удалить")));
        forms->offerRecovery();
        EXPECT_EQ(script.count(), 1);
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(windows().size(), before);
    EXPECT_EQ(listed.size(), 2);
    // Nothing left: nothing is asked.
    ModalScript none;
    forms->offerRecovery();
    EXPECT_EQ(none.count(), 0);
}

// A torn journal is offered, said to be damaged, and restores its last whole change; one that
// cannot be read at all is named in a message that offers to delete it.
TEST_F(RecoveryTest, TornAndUnreadableJournals)
{
    const auto picture = randomPicture(12, 8, ifGray256, 4);
    const QString torn = leaveJournal(*picture, JournalInfo{}, QStringLiteral("104-0d0d"));
    QFile file(torn);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(QByteArray(20, '\x4A')); // a record header cut short
    file.close();
    const QString unreadable = recovery::JournalFolder() + QStringLiteral("/105-0e0e.1.journal");
    QFile bad(unreadable);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("PKTJRNL1garbage");
    bad.close();

    const int before = windows().size();
    ModalScript script;
    script.then(answerWith(QStringLiteral("Восстановить"))).then(widget_test::pressButton(QStringLiteral("Да")));
    forms->offerRecovery();
    ASSERT_EQ(script.count(), 2);
    ASSERT_EQ(listed.size(), 1);
    EXPECT_TRUE(listed[0].contains(QStringLiteral("повреждён"))) << listed[0].toStdString();
    EXPECT_TRUE(script.shown()[1].text.contains(QStringLiteral("105-0e0e.1.journal"))) << script.shown()[1].text.toStdString();
    EXPECT_FALSE(QFile::exists(unreadable));
    ASSERT_EQ(windows().size(), before + 1);
    EXPECT_EQ(pixels(*windows().last()->GetGraphic()), pixels(*picture));
}

} // namespace
