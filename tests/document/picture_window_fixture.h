#pragma once
// Picture windows inside a frame's client area, made by New with a chosen size (offered by the
// issuing window, or by the new one), for tests that drive a window's commands and mouse.

#include "document/form_main.h"
#include "document/new_bmp_form.h"
#include "imaging/dib_graphic.h"
#include "modal_script.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <memory>

class PictureWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sizeDialog = std::make_unique<TNewBMPForm>();
        NewBMPForm = sizeDialog.get();
        area.resize(900, 600);
        area.show();
    }
    void TearDown() override
    {
        // Nobody is there to answer the close query.
        for (QMdiSubWindow* window : area.subWindowList()) {
            if (auto* form = qobject_cast<TFormMain*>(window->widget()))
                form->Modified = false;
        }
        area.closeAllSubWindows();
        for (QMdiSubWindow* window : area.subWindowList())
            delete window;
        NewBMPForm = nullptr;
    }

    TFormMain* newPicture(int width, int height, const TFormMain* issuing = nullptr)
    {
        widget_test::ModalScript script;
        script.then(widget_test::steps({widget_test::setField(QStringLiteral("WidthEdit"), QString::number(width)),
                                        widget_test::setField(QStringLiteral("HeightEdit"), QString::number(height)),
                                        widget_test::pressButton(QStringLiteral("Да"))}));
        return TFormMain::NewPicture(&area, issuing);
    }

    // Every pixel of a picture, row by row, as 0x00RRGGBB.
    static std::vector<uint32_t> pixels(const TDibGraphic& picture)
    {
        std::vector<uint32_t> out;
        for (int y = 0; y < picture.GetHeight(); ++y)
            for (int x = 0; x < picture.GetWidth(); ++x)
                out.push_back(picture.GetPixelRGB(x, y));
        return out;
    }

    std::unique_ptr<TNewBMPForm> sizeDialog;
    QMdiArea area;
};
