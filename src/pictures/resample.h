#pragma once

// Stretching pictures where the platform has no halftone blit: an area
// average, so a shrunk picture keeps the mean colour of what it covers.

#include <cstdint>
#include <functional>

#include "pictures/image.h"

namespace brivel {

enum class FitStatus {
    Ok,           // the result holds the fitted picture
    Empty,        // the source is not a whole picture, or the box or fitted size has no pixels
    OutOfMemory,  // the result would exceed kMaxRgbImageBytes or the allocator refused it
};

// A short English meaning of the status.
const char* FitStatusName(FitStatus status);

// A new picture of width x height; each pixel is the mean of the source area
// it covers, every source pixel weighted by its share of that area.
FitStatus Resample(const RgbImage& source, int width, int height, RgbImage& out);

// Row y of a picture being resampled, width x 3 bytes of RGB, each asked for
// once, in order: a pointer to it, in the caller's pixels or in scratch,
// which holds one row.
using SourceRows = std::function<const std::uint8_t*(int y, std::uint8_t* scratch)>;

// Resample from rows made as they are asked for, so that a large picture
// need not be held whole in RGB.
FitStatus Resample(int sourceWidth, int sourceHeight, const SourceRows& rows, int width, int height,
                   RgbImage& out);

// The picture at FitSize within the box: a plain copy at factor 1, resampled
// otherwise. An empty image on any failure.
RgbImage FitImage(const RgbImage& source, int boxWidth, int boxHeight);

// FitImage in place: the picture stays as it is at factor 1 (no copy), and is
// left untouched on failure.
FitStatus FitInPlace(RgbImage& picture, int boxWidth, int boxHeight);

}  // namespace brivel
