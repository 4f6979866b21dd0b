#include "app/startup.h"

#include "app/about_box.h"
#include "app/frame_form.h"
#include "app/hact.h"
#include "platform/forms/jpg_par.h"
#include "document/new_bmp_form.h"
#include "platform/forms/trans_form.h"

#include <QApplication>
#include <QMdiArea>

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
