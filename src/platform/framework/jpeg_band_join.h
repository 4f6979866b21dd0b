#pragma once
// One baseline JPEG file from files of horizontal bands of the same picture, so the bands can be
// encoded at the same time. Each band is a whole file of its own (same width, settings and
// tables, no restart markers); every band but the last is a whole number of MCU rows high.
// The joined file keeps the first band's headers with the full height, declares a restart
// interval of one band's MCUs, and puts RST0..RST7 in turn between the bands' entropy-coded
// data: a restart resets DC prediction exactly as each band's own encoding started.

#include <cstdint>
#include <span>
#include <vector>

namespace JpegBandJoin {

// Raises EInvalidGraphic when a band is not a baseline file of one scan ending in EOI.
std::vector<uint8_t> join(std::span<const std::vector<uint8_t>> bands, uint32_t fullHeight, uint16_t restartInterval);

} // namespace JpegBandJoin
