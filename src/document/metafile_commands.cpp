#include "document/metafile_commands.h"

#include "document/form_main.h"
#include "editing/image_scroll_box.h"
#include "imaging/dib_graphic.h"
#include "platform/forms/file_dialog.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "platform/framework/picture.h"
#include "platform/metafile/metafile.h"

TFormMain* ImportMetafile(QWidget* dialogParent, QMdiArea* frameArea, forms::FileDialogSettings& dialog)
{
    if (!forms::executeFileDialog(dialogParent, forms::FileDialogKind::Open, dialog))
        return nullptr;
    TMetafile metafile;
    metafile.LoadFromFile(dialog.fileName);

    TFormMain* form = TFormMain::Create(frameArea);
    TBitmap* bitmap = form->Image->Picture()->Bitmap();
    // Drawn while the bitmap still has the new window's size: what lies beyond it is lost.
    bitmap->Canvas()->Draw(0, 0, &metafile);
    bitmap->SetHeight(metafile.Height());
    bitmap->SetWidth(metafile.Width());
    form->FileName.clear();
    form->ShowPictureSize();
    form->GetGraphic()->Assign(bitmap);
    form->ImageScrollBox1->Redraw(true);
    return form;
}

void ExportMetafile(TFormMain& window, forms::FileDialogSettings& dialog)
{
    TBitmap* bitmap = window.Image->Picture()->Bitmap();
    TMetafile metafile;
    metafile.Assign(bitmap);
    if (forms::executeFileDialog(&window, forms::FileDialogKind::Save, dialog))
        metafile.SaveToFile(dialog.fileName);
}

void TFormMain::ImportClick()
{
    ImportMetafile(this, frameArea_, ImportDialog);
}

void TFormMain::ExportClick()
{
    ExportMetafile(*this, ExportDialog);
}
