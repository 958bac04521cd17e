#pragma once

// Pictures prepared when a quiz is packed: each stored as the players will
// show it, upright, no larger than the picture box, opaque and in RGB, so a
// quiz of phone photos stays small and every player shows it the same way.
// A picture that needs none of this is stored byte for byte, so packing a
// quiz's own pictures again changes nothing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "maker/picture_codec.h"
#include "pictures/exif_orientation.h"

namespace brivel {

inline constexpr int kDefaultJpegQuality = 90;

enum class PrepAction : std::uint8_t {
    Keep,      // stored byte for byte
    Turn,      // a JPEG turned upright by the codec's lossless transform
    Reencode,  // decoded, turned upright, flattened, fitted, stored as a baseline JPEG
};

// What preparing a picture does, and why.
struct PicturePlan {
    bool png = false;  // a PNG, else a JPEG
    int width = 0;     // as stored in the file
    int height = 0;
    Orientation orientation = Orientation::Upright;
    bool cmyk = false;         // a CMYK or YCCK JPEG, which the players cannot show
    bool transparent = false;  // a PNG with a pixel not fully opaque (alpha or tRNS)
    bool deep = false;         // a PNG of 16-bit samples, twice the bytes the players show
    // The kind of a picture neither JPEG nor PNG (OtherPictureKind), which
    // the players do not read: always stored as JPEG. Else nullptr.
    const char* other = nullptr;
    bool fitted = false;       // larger than the picture box once upright
    int shownWidth = 0;        // the picture stored: upright and fitted
    int shownHeight = 0;
    PrepAction action = PrepAction::Keep;
};

enum class PrepStatus {
    Ok,            // the plan (and the prepared picture) are given
    NotAPicture,   // neither a JPEG nor a PNG
    Unreadable,    // the JPEG library or our PNG decoder refused the data
    TooLarge,      // the picture exceeds kMaxRgbImageBytes
    OutOfMemory,   // its pixels could not be allocated
    EncodeFailed,  // the codec could not write the prepared JPEG
};

// Whose words a text is in: the tool's English, or the French the studio shows
// a maker, without the tool's terms.
enum class Wording { English, French };

// A short meaning of the status.
const char* PrepStatusName(PrepStatus status, Wording wording = Wording::English);

struct PrepOptions {
    std::uint8_t red = 0;  // the quiz colour, under transparent areas
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    int quality = kDefaultJpegQuality;  // 1 to 100, for a re-encoded picture
};

// Why data is not a picture a quiz can hold: the format it is, told by its
// first bytes (WebP, HEIC, AVIF, GIF, BMP, TIFF, SVG), and a command that
// converts it, or "neither a JPEG nor a PNG file". The detail of NotAPicture.
std::string NotAPictureReason(const std::uint8_t* data, std::size_t size);

// The kind of such a picture, as those texts name it ("WebP", "AVIF", "HEIC",
// "GIF", "BMP", "TIFF", "SVG"), or nullptr; a codec may read it (ReadsKind).
const char* OtherPictureKind(const std::uint8_t* data, std::size_t size);

// Whether such a picture's header gives a size larger than a quiz's pictures
// may have (PlanPicture then says TooLarge, without decoding it).
bool OtherPictureTooLarge(const std::uint8_t* data, std::size_t size);

// The same in the studio's French, to follow "l'image NAME", without a command;
// said when the browser reads none of its kind either.
std::string NotAPictureFrench(const std::uint8_t* data, std::size_t size);

// What PreparePicture will do, from the file's headers (another kind through
// the codec, when it reads it; a PNG with an alpha
// channel or a tRNS chunk is decoded to see whether any pixel is
// transparent). detail, when
// given, receives the decoder's reason on failure.
PrepStatus PlanPicture(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                       PicturePlan& plan, std::string* detail);

// PlanPicture, and with decode whether the whole picture decodes: a JPEG is
// read at the codec's smallest scale (every byte is read, a photo's pixels are
// never all held), a PNG by our decoder. Without decode only the headers are
// read, and a PNG is not known to be transparent. warning, when given,
// receives the JPEG codec's warning on damaged data it got past.
PrepStatus CheckPicture(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                        PicturePlan& plan, std::string* detail, std::string* warning, bool decode);

// The picture as the quiz stores it, in out (a copy of the input when kept).
// A lossless turn the JPEG's block layout does not allow is re-encoded instead,
// and plan says so. One picture's pixels at a time: a 4000 x 3000 photo is
// decoded at the smallest scale of the codec that still covers the fitted size.
PrepStatus PreparePicture(PictureCodec& codec, const std::uint8_t* data, std::size_t size,
                          const PrepOptions& options, PicturePlan& plan,
                          std::vector<std::uint8_t>& out, std::string* detail);

// The plan in plain words: "kept as it is", or what is done, as
// "4000 x 3000, EXIF orientation 6: turned upright, fitted to 360 x 480, stored as JPEG quality
// 90".
std::string DescribePlan(const PicturePlan& plan, int quality, Wording wording = Wording::English);

}  // namespace brivel
