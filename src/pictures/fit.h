#pragma once

// The size a picture is given to fit a box with its proportions kept. Shared
// by every player, whatever stretches the pixels.

namespace brivel {

// The play panel's picture box, which every picture is fitted into.
inline constexpr int kPictureBoxWidth = 640;
inline constexpr int kPictureBoxHeight = 480;

struct FittedSize {
    int width = 0;
    int height = 0;
    friend bool operator==(FittedSize a, FittedSize b) {
        return a.width == b.width && a.height == b.height;
    }
};

// Factor r = the smaller of boxWidth / sourceWidth and boxHeight / sourceHeight
// (in double); each side is side x r truncated toward zero. Never larger than
// the box; a small picture is enlarged. A side of 0 or less in the source or
// the box gives {0, 0}; a very thin picture can get a side of 0 as well.
FittedSize FitSize(int sourceWidth, int sourceHeight, int boxWidth, int boxHeight);

}  // namespace brivel
