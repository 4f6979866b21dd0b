#include "platform/framework/graphic.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/safe_save.h"
#include "platform/framework/stream.h"

void TGraphic::Changed(TObject* /*sender*/)
{
    modified_ = true;
    if (OnChange)
        OnChange(this);
}

void TGraphic::SetTransparent(bool value)
{
    if (value != transparent_) {
        transparent_ = value;
        Changed(this);
    }
}

void TGraphic::SetModified(bool value)
{
    if (value)
        Changed(this);
    else
        modified_ = false;
}

void TGraphic::LoadFromFile(const QString& fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    try {
        LoadFromStream(stream);
    } catch (const EPictureFileError& e) {
        // Readers see only the stream; the name is known here.
        throw e.Naming(fileName);
    }
}

void TGraphic::SaveToFile(const QString& fileName)
{
    SaveFileSafely(fileName, [this](TStream& stream) { SaveToStream(stream); });
}
