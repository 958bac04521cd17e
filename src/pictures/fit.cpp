#include "pictures/fit.h"

namespace brivel {

FittedSize FitSize(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || boxWidth <= 0 || boxHeight <= 0) {
        return {};
    }
    // Floating point and truncation as the Windows player computes it, so both
    // players give the same size, down to 1232 x 924 fitting 640 x 480 as 639 x 479.
    const double rx = static_cast<double>(boxWidth) / sourceWidth;
    const double ry = static_cast<double>(boxHeight) / sourceHeight;
    const double r = ry <= rx ? ry : rx;
    // side x r is at most the box's side (r <= box / side), so the conversion fits.
    return {static_cast<int>(sourceWidth * r), static_cast<int>(sourceHeight * r)};
}

}  // namespace brivel
