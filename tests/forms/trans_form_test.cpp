#include "platform/forms/trans_form.h"

#include "modal_script.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <gtest/gtest.h>

using namespace widget_test;

namespace {

// Moves the slider, then presses a button.
Answer slideAndPress(int position, const QString& button)
{
    return steps({setField(QStringLiteral("ChangeBar"), QString::number(position)), pressButton(button)});
}

} // namespace

TEST(TransForm, BuiltAsDesignedWithEveryPartNamed)
{
    TTransForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Яркость"));
    EXPECT_EQ(form.size(), QSize(453, 135));
    EXPECT_EQ(form.ChangeBar->geometry(), QRect(42, 0, 361, 33));
    EXPECT_EQ(form.ChangeBar->minimum(), -100);
    EXPECT_EQ(form.ChangeBar->maximum(), 100);
    EXPECT_EQ(form.ChangeBar->value(), 0);
    EXPECT_EQ(form.ChangeBar->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(form.YesBut->geometry(), QRect(102, 48, 97, 41));
    EXPECT_EQ(form.Cancel->geometry(), QRect(248, 48, 97, 41));
    EXPECT_EQ(form.Label1->pos(), QPoint(408, 8));
    EXPECT_EQ(form.Label2->pos(), QPoint(16, 8));
    EXPECT_EQ(form.Label3->pos(), QPoint(219, 32));
    const std::vector<std::pair<QWidget*, QString>> parts = {
        {form.ChangeBar, QStringLiteral("ChangeBar")}, {form.Label1, QStringLiteral("Label1")},
        {form.Label2, QStringLiteral("Label2")},       {form.Label3, QStringLiteral("Label3")},
        {form.YesBut, QStringLiteral("YesBut")},       {form.Cancel, QStringLiteral("Cancel")},
    };
    for (const auto& [widget, name] : parts) {
        EXPECT_EQ(widget->objectName(), name);
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << name.toStdString();
    }
    EXPECT_EQ(form.YesBut->text(), QStringLiteral("&Да"));
    EXPECT_EQ(form.Cancel->text(), QStringLiteral("&Отмена"));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("100"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("-100"));
    EXPECT_EQ(form.Label3->text(), QStringLiteral("0"));
}

TEST(TransForm, StrengthRangeStartsAtZeroAndHidesTheMiddleMark)
{
    TTransForm form;
    form.Prepare(QStringLiteral("Резкость"), TTransForm::Range::Strength);
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Резкость"));
    EXPECT_EQ(form.ChangeBar->minimum(), 0);
    EXPECT_EQ(form.ChangeBar->maximum(), 100);
    EXPECT_EQ(form.Label2->text(), QStringLiteral("0"));
    EXPECT_FALSE(form.Label3->isVisible());
    EXPECT_TRUE(form.Label1->isVisible());
}

// Only "&Да" gives an amount: the cancel button and the close box both give none.
TEST(TransForm, AskAmountAnswersOnlyWhenConfirmed)
{
    ModalScript script;
    script.then(slideAndPress(-37, QStringLiteral("Да")))
        .then(slideAndPress(60, QStringLiteral("Отмена")))
        .then(closeDialog())
        .then(slideAndPress(150, QStringLiteral("Да")));
    EXPECT_EQ(TTransForm::AskAmount(nullptr, QStringLiteral("Насыщенность"), TTransForm::Range::Signed), -37);
    EXPECT_EQ(TTransForm::AskAmount(nullptr, QStringLiteral("Яркость"), TTransForm::Range::Signed), std::nullopt);
    EXPECT_EQ(TTransForm::AskAmount(nullptr, QStringLiteral("Яркость"), TTransForm::Range::Signed), std::nullopt);
    EXPECT_EQ(TTransForm::AskAmount(nullptr, QStringLiteral("Резкость"), TTransForm::Range::Strength), 100);
    ASSERT_EQ(script.count(), 4);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("Насыщенность"));
    EXPECT_EQ(script.shown()[3].title, QStringLiteral("Резкость"));
}
