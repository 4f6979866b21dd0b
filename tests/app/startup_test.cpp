#include "app/startup.h"

#include "app/about_box.h"
#include "app/frame_form.h"
#include "app/hact.h"
#include "platform/forms/jpg_par.h"
#include "document/new_bmp_form.h"
#include "platform/forms/trans_form.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(Startup, FormsExistOnlyTheSplashShowsUntilTheFrameIsShown)
{
    startup::initialiseApplication();
    EXPECT_EQ(QApplication::applicationDisplayName(), QStringLiteral("Пиктаво"));
    {
        startup::ApplicationForms forms;
        ASSERT_TRUE(FrameForm && NewBMPForm && AboutBox && JPGPar && HACT && TransForm);
        EXPECT_TRUE(HACT->isVisible());
        for (QWidget* hidden : {static_cast<QWidget*>(FrameForm), static_cast<QWidget*>(NewBMPForm),
                                static_cast<QWidget*>(AboutBox), static_cast<QWidget*>(JPGPar),
                                static_cast<QWidget*>(TransForm)})
            EXPECT_FALSE(hidden->isVisible()) << hidden->metaObject()->className();

        forms.showFrame();
        EXPECT_TRUE(FrameForm->isVisible());
        EXPECT_TRUE(HACT->isVisible());
        EXPECT_TRUE(FrameForm->ClientArea->subWindowList().isEmpty());
    }
    EXPECT_EQ(FrameForm, nullptr);
    EXPECT_EQ(HACT, nullptr);
}

// Qt's own buttons and dialogs speak the interface's language, as the platform's would.
TEST(Startup, QtsOwnButtonsAndDialogsSpeakRussian)
{
    startup::initialiseApplication();
    QMessageBox query(QMessageBox::Information, QStringLiteral("Пиктаво"), QStringLiteral("Сохранить рисунок?"),
                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    auto caption = [&](QMessageBox::StandardButton which) { return query.button(which)->text().remove(u'&'); };
    EXPECT_EQ(caption(QMessageBox::Yes), QStringLiteral("Да"));
    EXPECT_EQ(caption(QMessageBox::No), QStringLiteral("Нет"));
    EXPECT_EQ(caption(QMessageBox::Cancel), QStringLiteral("Отмена"));
    EXPECT_EQ(QColorDialog().windowTitle(), QStringLiteral("Выбор цвета"));
    EXPECT_EQ(QFontDialog().windowTitle(), QStringLiteral("Выбор шрифта"));
}
