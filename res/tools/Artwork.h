// The program's pictures, drawn in code so that the checked-in PNGs under
// res/images can be made again (scripts/make-images) and checked against
// what this draws.
#pragma once

#include <QImage>

#include <array>

// The push button face: 116 x 21 greys, a frame with cut corners around a
// shading that darkens towards the bottom.
QImage DrawButtonFace();

// The application icon at size x size pixels with a transparent background.
QImage DrawAppIcon(int size);

// Icon sizes installed for the desktop besides the 32-pixel one of the
// program's own resources.
inline constexpr std::array<int, 7> kDesktopIconSizes{16, 22, 24, 48, 64, 128, 256};
inline constexpr int kAppIconSize = 32;
