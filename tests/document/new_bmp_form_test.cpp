// The size dialog: borderless, its fields reached by their labels' access keys, Enter and
// Escape answering it.

#include "document/new_bmp_form.h"

#include "widget_input.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(NewBMPForm, IsBorderlessWithItsFieldsAndButtons)
{
    TNewBMPForm form;
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.size(), QSize(291, 185));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Размеры рисунка"));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(192, 220, 192));
    EXPECT_FALSE(form.Banner->pixmap().isNull());
    EXPECT_EQ(form.Banner->geometry(), QRect(0, 0, 293, 37));
    EXPECT_EQ(form.HeightLabel->text(), QStringLiteral("&Высота"));
    EXPECT_EQ(form.HeightLabel->buddy(), form.HeightEdit);
    EXPECT_EQ(form.WidthLabel->text(), QStringLiteral("&Ширина"));
    EXPECT_EQ(form.WidthLabel->buddy(), form.WidthEdit);
    EXPECT_EQ(form.WidthEdit->text(), QStringLiteral("545"));
    EXPECT_EQ(form.HeightEdit->text(), QStringLiteral("555"));
    EXPECT_EQ(form.OKBtn->text(), QStringLiteral("&Да"));
    EXPECT_TRUE(form.OKBtn->isDefault());
    EXPECT_EQ(form.CancelBtn->text(), QStringLiteral("Отмена"));
}

TEST(NewBMPForm, EnterConfirmsAndEscapeCancels)
{
    TNewBMPForm form;
    for (const auto& [key, expected] : {std::pair{Qt::Key_Return, QDialog::Accepted}, std::pair{Qt::Key_Escape, QDialog::Rejected}}) {
        form.show();
        form.WidthEdit->setFocus();
        widget_test::keyClick(form.WidthEdit, key);
        EXPECT_EQ(form.result(), expected);
        EXPECT_FALSE(form.isVisible());
    }
}

} // namespace
