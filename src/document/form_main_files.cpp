// The picture window's print, open-with and scan commands; each lives in its own files.
#include "document/form_main.h"

#include "document/open_with.h"
#include "document/print_commands.h"
#include "document/scanner.h"
#include "editing/image_scroll_box.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/image.h"
#include "platform/framework/picture.h"
#include "platform/framework/size_policy.h"

#include <cstdlib>
#include <cstring>
#include <span>

void TFormMain::PrintSetupClick()
{
    PrintCommands::Shared().PrintSetupClick(this);
}

void TFormMain::Print1Click()
{
    PrintCommands::Shared().Print1Click(this, *Image->Picture()->Bitmap());
}

void TFormMain::PrintPreview1Click()
{
    PrintCommands::Shared().PrintPreviewClick(this, *Image->Picture()->Bitmap());
}

void TFormMain::OpenWith1Click()
{
    OpenWithCommand(FileName);
}

// The scanner object goes also when the exchange fails, so that the next scan can make one.
void TFormMain::ScanClick()
{
    DrawBfr();
    auto scanner = std::make_unique<TScanner>();
    scanner->RequestedImageFormat = ifTrueColor;
    scanner->Acquire([this](TW_HANDLE dib, int xDpi, int yDpi, intptr_t userData) {
        ScannedImage(dib, xDpi, yDpi, userData);
    }, 0);
    Modified = true;
    scanner.reset();
    ImageScrollBox1->Redraw(true);
}

void TFormMain::ScannedImage(void* dib, int, int, intptr_t)
{
    const std::span<const uint8_t> packed(twain_memory::Lock(dib), twain_memory::Size(dib));
    // A page past what the window holds is refused before the picture is touched.
    if (packed.size() >= 12) {
        int32_t width = 0;
        int32_t height = 0;
        std::memcpy(&width, packed.data() + 4, 4);
        std::memcpy(&height, packed.data() + 8, 4);
        if (width > 0 && height != 0)
            PictureSizePolicy::checkWindow(width, std::abs(int64_t{height}));
    }
    TDibGraphic received;
    received.LoadFromHDIB(packed);
    TDibGraphic* picture = GetGraphic();
    picture->NewImage(received.GetWidth(), received.GetHeight(), ifTrueColor, nullptr, 300, 300);
    picture->Assign(&received);
    ImageScrollBox1->Redraw(true);
    // The work image follows at once, so that Save and Print write what was scanned.
    Image->Picture()->Bitmap()->SetSize(received.GetWidth(), received.GetHeight());
    Host().UpdateWorkImage();
    ShowPictureSize();
}
