#include "app/about_box.h"

#include "app/frame_form.h"
#include "app/startup.h"
#include "modal_script.h"
#include "platform/forms/bevel_panel.h"

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace widget_test;

namespace {
class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        startup::initialiseApplication();
        forms_ = std::make_unique<startup::ApplicationForms>();
    }
    std::unique_ptr<startup::ApplicationForms> forms_;
};
} // namespace

TEST_F(AboutBoxTest, OpensAnyNumberOfTimesWithTheSameTexts)
{
    ModalScript script;
    script.then(pressButton(QStringLiteral("Да"))).then(closeDialog()).then(pressButton(QStringLiteral("Да")));
    for (int i = 0; i < 3; ++i)
        FrameForm->About->trigger();
    ASSERT_EQ(script.count(), 3);
    for (const ShownDialog& shown : script.shown()) {
        EXPECT_EQ(shown.title, QStringLiteral("О программе..."));
        EXPECT_EQ(shown.buttons, QStringList{QStringLiteral("Да")});
    }
    EXPECT_EQ(script.shown()[0].result, QDialog::Accepted);
    EXPECT_EQ(script.shown()[1].result, QDialog::Rejected);
    EXPECT_EQ(script.shown()[2].result, QDialog::Accepted);
    EXPECT_FALSE(AboutBox->ProgramIcon->pixmap().isNull());
    EXPECT_EQ(AboutBox->ProductName->text(), QStringLiteral("Пиктаво"));
    EXPECT_EQ(AboutBox->Version->text(), QStringLiteral("Версия 2.2"));
    EXPECT_TRUE(AboutBox->Comments->text().contains(QStringLiteral("графический редактор")));
}

TEST_F(AboutBoxTest, Layout)
{
    TAboutBox& box = *AboutBox;
    EXPECT_EQ(box.size(), QSize(369, 271));
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(box.palette().color(QPalette::Window), QColor(210, 255, 220));
    EXPECT_EQ(box.Panel1->geometry(), QRect(-1, 0, 370, 209));
    EXPECT_EQ(box.Panel1->outerBevel(), forms::BevelPanel::Bevel::Lowered);
    EXPECT_EQ(box.Panel1->innerBevel(), forms::BevelPanel::Bevel::Raised);
    EXPECT_EQ(box.Panel1->font().pixelSize(), 13);
    EXPECT_EQ(box.ProgramIcon->geometry(), QRect(0, 0, 257, 201));
    EXPECT_TRUE(box.ProgramIcon->hasScaledContents());
    EXPECT_EQ(box.ProductName->pos(), QPoint(192, 0));
    EXPECT_EQ(box.Version->pos(), QPoint(300, 89));
    EXPECT_EQ(box.Comments->geometry(), QRect(274, 120, 87, 75));
    EXPECT_TRUE(box.Comments->wordWrap());
    EXPECT_EQ(box.OKButton->geometry(), QRect(137, 238, 92, 30));
    EXPECT_TRUE(box.OKButton->isDefault());
    EXPECT_EQ(box.OKButton->font().pixelSize(), 20);
    EXPECT_EQ(box.OKButton->palette().color(QPalette::ButtonText), QColor(Qt::red));
    // The sentence must fit its fixed box: nothing may be cut off at the bottom.
    EXPECT_LE(box.Comments->heightForWidth(87), 75);
}
