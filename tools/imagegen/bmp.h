// Writes 8-bit pictures as uncompressed 24-bit Windows bitmaps.
#pragma once

#include <string>

#include "canvas.h"

// Bottom-up rows of blue, green, red, each row padded to a multiple of four bytes.
bool WriteBmp(const Image& image, const std::string& path);
