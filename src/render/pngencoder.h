#pragma once
// Straight RGBA frames as PNG files: 8 bits per channel, colour and alpha as given, the image data
// of render/rundeflate.h. No ancillary chunks, so the same image gives the same bytes.

#include "render/straightframe.h"

#include <string>

namespace kvx {

// The PNG file of the image; empty when the image has no pixels.
std::string encodePng(const RgbaImage &image);

} // namespace kvx
