#pragma once
// WebP files as a picture: lossy and lossless files, still or animated (the first frame), read
// into 24 bits with alpha composited over white; written lossless or lossy as the picture's
// file was, so that Save keeps a lossless file exact and a photo small.
#include "imaging/dib_graphic.h"

#include <cstdint>
#include <span>
#include <vector>

class TWebpGraphic : public TDibGraphic {
public:
    // Quality of lossy files this program writes: the artefacts are hard to see, the file small.
    static constexpr int kLossyQuality = 90;

    QString ClassName() const override { return QStringLiteral("TWebpGraphic"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<TWebpGraphic>(); }
    // Carries whether the file read was lossless, so that Save writes it back the same way.
    std::unique_ptr<TGraphic> CreateLike() const override;
    std::unique_ptr<TDibGraphic> NewInstance() const override { return std::make_unique<TWebpGraphic>(); }

    void ReadImage(TStream& stream, int32_t imageIndex) override;
    void SaveToStream(TStream& stream) override;

    // True for a new picture too: nothing of it is lost unless the file it came from was lossy.
    bool Lossless() const { return lossless_; }
    void SetLossless(bool value) { lossless_ = value; }

    // The file's bytes decoded into this picture; damaged files raise EPictureFileError.
    void Decode(std::span<const uint8_t> file);
    std::vector<uint8_t> Encode() const;

private:
    bool lossless_ = true;
};
