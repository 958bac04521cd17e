#include "maker/picture_prep.h"

#include <turbojpeg.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "picture_fixtures.h"
#include "pictures/exif_orientation.h"
#include "pictures/fit.h"
#include "pictures/jpeg_decoder.h"
#include "studio/jpeg_decoding.h"
#include "turbojpeg_codec.h"

namespace brivel {
namespace {

using namespace testing;  // the pictures (picture_fixtures.h)

tool::TurboJpegCodec codec;

void Put16(Bytes& out, bool motorola, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(motorola ? v >> 8 : v));
    out.push_back(static_cast<std::uint8_t>(motorola ? v : v >> 8));
}

// A TIFF block of one IFD holding the given 12-byte entries, in either order.
Bytes Tiff(bool motorola, const std::vector<Bytes>& entries, std::uint16_t count = 0xFFFF) {
    Bytes tiff = motorola ? Bytes{'M', 'M', 0, 42, 0, 0, 0, 8} : Bytes{'I', 'I', 42, 0, 8, 0, 0, 0};
    Put16(tiff, motorola, count != 0xFFFF ? count : static_cast<std::uint32_t>(entries.size()));
    for (const Bytes& entry : entries) {
        tiff.insert(tiff.end(), entry.begin(), entry.end());
    }
    return tiff;
}

// An IFD entry: tag, type, count, then the value in the field's first bytes.
Bytes Entry(bool motorola, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
            std::uint16_t value) {
    Bytes entry;
    for (const std::uint32_t half :
         {std::uint32_t{tag}, std::uint32_t{type}, motorola ? count >> 16 : count,
          motorola ? count : count >> 16, std::uint32_t{value}, 0u}) {
        Put16(entry, motorola, half);
    }
    return entry;
}

// The PNG with a chunk inserted after its IHDR, or before its IEND if late.
Bytes WithChunk(Bytes png, const char* type, const Bytes& data, bool late = false) {
    const Bytes chunk = PngFile{{}}.Chunk(type, data).bytes;
    png.insert(late ? png.end() - 12 : png.begin() + 33, chunk.begin(), chunk.end());
    return png;
}

// The JPEG with an APP1 segment of body inserted right after its SOI.
Bytes WithApp1(const Bytes& jpeg, const Bytes& body, std::size_t declared = 0) {
    const std::size_t length = declared != 0 ? declared : body.size() + 2;
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), {0xFF, 0xE1, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length)});
    out.insert(out.end(), body.begin(), body.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

Bytes Exif(const Bytes& tiff) {
    Bytes body = {'E', 'x', 'i', 'f', 0, 0};
    body.insert(body.end(), tiff.begin(), tiff.end());
    return body;
}

// The JPEG with the segments of a bare SOI + segments inserted before its
// EOI, where they are picture data.
Bytes InScan(Bytes jpeg, const Bytes& segments) {
    jpeg.insert(jpeg.end() - 2, segments.begin() + 2, segments.end());
    return jpeg;
}

Bytes WithOrientation(const Bytes& jpeg, int orientation) {
    return WithApp1(
        jpeg,
        Exif(Tiff(true, {Entry(true, 0x0112, 3, 1, static_cast<std::uint16_t>(orientation))})));
}

TEST(ExifOrientation, ReadsTheTagAndSurvivesDamage) {
    const Bytes jpeg = MakeJpeg(Gradient(16, 8));
    const Bytes other = Entry(false, 0x010F, 2, 4, 0);  // a tag before the orientation
    Bytes cutEntry = Tiff(false, {Entry(false, 0x0112, 3, 1, 6)});
    cutEntry.resize(cutEntry.size() - 3);
    Bytes farIfd = Tiff(true, {Entry(true, 0x0112, 3, 1, 6)});
    farIfd[4] = 0xFF;  // IFD offset 0xFF000008
    using O = Orientation;
    const struct {
        const char* name;
        Bytes file;
        Orientation expected;
    } cases[] = {
        {"Motorola order", WithOrientation(jpeg, 6), O::Rotated90},
        {"Intel order, after another tag",
         WithApp1(jpeg, Exif(Tiff(false, {other, Entry(false, 0x0112, 3, 1, 8)}))), O::Rotated270},
        {"value 0", WithOrientation(jpeg, 0), O::Upright},
        {"value 9", WithOrientation(jpeg, 9), O::Upright},
        {"type LONG", WithApp1(jpeg, Exif(Tiff(true, {Entry(true, 0x0112, 4, 1, 3)}))), O::Upright},
        {"count 0", WithApp1(jpeg, Exif(Tiff(true, {Entry(true, 0x0112, 3, 0, 3)}))), O::Upright},
        {"entry cut by the segment's end", WithApp1(jpeg, Exif(cutEntry)), O::Upright},
        {"entry count beyond the block",
         WithApp1(jpeg, Exif(Tiff(true, {Entry(true, 0x0111, 3, 1, 3)}, 0xFFFE))), O::Upright},
        {"IFD offset past the end", WithApp1(jpeg, Exif(farIfd)), O::Upright},
        {"not TIFF", WithApp1(jpeg, Exif({'X', 'X', 0, 42, 0, 0, 0, 8, 0, 0})), O::Upright},
        {"segment length past the file", WithApp1(jpeg, Exif(Tiff(true, {})), 0xFFF0), O::Upright},
        {"segment length 1", WithApp1(jpeg, {}, 1), O::Upright},
        {"APP1 that is not EXIF", WithApp1(jpeg, {'h', 't', 't', 'p', ':'}), O::Upright},
        {"no EXIF", jpeg, O::Upright},
        {"SOI alone", Bytes{0xFF, 0xD8}, O::Upright},
        {"not a JPEG", Bytes(64, 0x11), O::Upright},
        {"EXIF after the scan starts", InScan(jpeg, WithOrientation({0xFF, 0xD8}, 3)), O::Upright},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JpegOrientation(c.file.data(), c.file.size()), c.expected) << c.name;
    }
    EXPECT_EQ(JpegOrientation(nullptr, 0), Orientation::Upright);
    EXPECT_EQ(TiffOrientation(nullptr, 100), Orientation::Upright);
}

TEST(ExifOrientation, HidingRenamesEveryExifBlockAndNothingElse) {
    // Two EXIF segments (a decoder may read either), an APP1 that is not EXIF,
    // and one inside the picture data past the scan's start; fuzz_exif checks
    // that only marker bytes change.
    Bytes file = InScan(
        WithOrientation(
            WithApp1(WithOrientation(MakeJpeg(Gradient(16, 8)), 8), {'h', 't', 't', 'p', ':'}), 6),
        WithOrientation({0xFF, 0xD8}, 3));
    EXPECT_EQ(HideJpegOrientation(file.data(), file.size()), 2);
    EXPECT_EQ(JpegOrientation(file.data(), file.size()), Orientation::Upright);
    EXPECT_EQ(HideJpegOrientation(file.data(), file.size()), 0);

    // A PNG's EXIF chunks, before and after the picture data, renamed with a
    // CRC that zlib agrees with; a chunk cut by the end is left alone.
    const std::uint8_t red[3] = {255, 0, 0};
    const auto withChunks = [&red](const char* type) {
        const Bytes tiff = Tiff(true, {Entry(true, 0x0112, 3, 1, 6)});
        return WithChunk(WithChunk(MakePng(4, 3, red), type, tiff), type, tiff, true);
    };
    const Bytes png = withChunks("eXIf");
    Bytes renamed = png;
    EXPECT_EQ(HideJpegOrientation(renamed.data(), renamed.size()), 0);
    EXPECT_EQ(HidePngOrientation(renamed.data(), renamed.size()), 2);
    EXPECT_EQ(renamed, withChunks("exIf"));
    Bytes cutPng(png.begin(), png.begin() + 60);  // the first EXIF chunk is 38 bytes at 33
    EXPECT_EQ(HidePngOrientation(cutPng.data(), cutPng.size()), 0);
    EXPECT_EQ(HidePngOrientation(file.data(), file.size()), 0);
}

constexpr std::uint8_t kGrey = 128;

// Grey with a red block at the top-left corner and a green one at the
// top-right, each a quarter of the width and half the height.
RgbImage Marked(int width, int height) {
    RgbImage image;
    EXPECT_TRUE(AllocateRgbImage(image, width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = image.pixels.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            const bool top = y < height / 2;
            p[0] = top && x < width / 4 ? 255 : kGrey;
            p[1] = top && x >= width - width / 4 ? 255 : kGrey;
            p[2] = top && (x < width / 4 || x >= width - width / 4) ? 0 : kGrey;
        }
    }
    return image;
}

enum Corner { TopLeft, TopRight, BottomLeft, BottomRight };

// The colour near a corner, an eighth of each side in.
const std::uint8_t* Near(const RgbImage& image, Corner corner) {
    const int x = corner == TopLeft || corner == BottomLeft ? image.width / 8
                                                            : image.width - 1 - image.width / 8;
    const int y = corner == TopLeft || corner == TopRight ? image.height / 8
                                                          : image.height - 1 - image.height / 8;
    return image.pixels.data() + (static_cast<std::size_t>(y) * image.width + x) * 3;
}

void ExpectColour(const std::uint8_t* p, int r, int g, int b, const std::string& where) {
    EXPECT_NEAR(p[0], r, 12) << where;
    EXPECT_NEAR(p[1], g, 12) << where;
    EXPECT_NEAR(p[2], b, 12) << where;
}

PicturePlan Prepare(const Bytes& file, Bytes& out, const PrepOptions& options = {}) {
    PicturePlan plan;
    std::string detail;
    EXPECT_EQ(PreparePicture(codec, file.data(), file.size(), options, plan, out, &detail),
              PrepStatus::Ok)
        << detail;
    // The plan told beforehand is the one carried out, but for a turn that
    // had to fall back on re-encoding.
    PicturePlan planned;
    EXPECT_EQ(PlanPicture(codec, file.data(), file.size(), planned, nullptr), PrepStatus::Ok);
    EXPECT_EQ(planned.shownWidth, plan.shownWidth);
    EXPECT_EQ(planned.shownHeight, plan.shownHeight);
    EXPECT_EQ(planned.action, plan.action);
    return plan;
}

TEST(PicturePrep, TurnsEveryOrientationUpright) {
    // Where the stored top-left (red) and top-right (green) corners end up.
    const struct {
        int orientation;
        Corner red, green;
    } turns[] = {
        {1, TopLeft, TopRight},       {2, TopRight, TopLeft},   {3, BottomRight, BottomLeft},
        {4, BottomLeft, BottomRight}, {5, TopLeft, BottomLeft}, {6, TopRight, BottomRight},
        {7, BottomRight, TopRight},   {8, BottomLeft, TopLeft},
    };
    // Small enough to keep (turned without loss), large enough to fit, and a
    // 4:2:0 picture whose partial blocks forbid most lossless turns.
    const struct {
        int width, height, subsampling;
        PrepAction turned;
    } sizes[] = {
        {32, 16, TJSAMP_444, PrepAction::Turn},
        {1280, 640, TJSAMP_420, PrepAction::Reencode},
        {40, 20, TJSAMP_420, PrepAction::Reencode},
    };
    for (const auto& size : sizes) {
        const Bytes plain = MakeJpeg(Marked(size.width, size.height), size.subsampling);
        for (const auto& turn : turns) {
            SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height << " orientation "
                                              << turn.orientation);
            const Bytes file = WithOrientation(plain, turn.orientation);
            Bytes out;
            const PicturePlan plan = Prepare(file, out);
            const bool fits = size.width > 640;
            FittedSize expected = turn.orientation >= 5 ? FittedSize{size.height, size.width}
                                                        : FittedSize{size.width, size.height};
            if (fits) {
                expected = FitSize(expected.width, expected.height, 640, 480);
            }
            if (turn.orientation == 1 && !fits) {
                EXPECT_EQ(plan.action, PrepAction::Keep);
                EXPECT_EQ(out, file);
                continue;
            }
            // Transposing never leaves a partial block at an edge.
            EXPECT_EQ(plan.action, turn.orientation == 5 && !fits ? PrepAction::Turn : size.turned);
            const std::optional<RgbImage> shown = DecodeJpeg(out.data(), out.size(), nullptr);
            ASSERT_TRUE(shown);
            EXPECT_EQ(shown->width, expected.width);
            EXPECT_EQ(shown->height, expected.height);
            ExpectColour(Near(*shown, turn.red), 255, kGrey, 0, "red");
            ExpectColour(Near(*shown, turn.green), kGrey, 255, 0, "green");
            // The prepared picture reads as upright and within the box: packed
            // again, it is kept as it is.
            Bytes again;
            EXPECT_EQ(Prepare(out, again).action, PrepAction::Keep);
            EXPECT_EQ(again, out);
        }
    }
}

// The rows of a 16 x 8 picture: the left half pixels[0], the right half
// pixels[1] but the bottom-right quarter pixels[2] if given. Each sample
// big-endian at depth bits, or packed from the top bit below 8.
Bytes PackRows(int depth, const std::vector<std::vector<int>>& pixels) {
    Bytes rows;
    for (int y = 0; y < 8; ++y) {
        unsigned bit = 0;
        for (int x = 0; x < 16; ++x) {
            for (const int v : pixels[x < 8 ? 0 : y < 4 || pixels.size() < 3 ? 1 : 2]) {
                if (depth < 8) {
                    if (bit % 8 == 0) {
                        rows.push_back(0);
                    }
                    rows.back() |= static_cast<std::uint8_t>(v << (8 - depth - bit % 8));
                    bit += depth;
                } else {
                    if (depth == 16) {
                        rows.push_back(static_cast<std::uint8_t>(v >> 8));
                    }
                    rows.push_back(static_cast<std::uint8_t>(v));
                }
            }
        }
    }
    return rows;
}

TEST(PicturePrep, LaysTransparentAreasOnTheQuizColour) {
    PrepOptions options;
    options.red = 20;
    options.green = 200;
    options.blue = 90;
    // 16 x 8: the left half clear, the right half opaque; the bottom-right
    // quarter half transparent where alpha (a channel or a palette's tRNS)
    // can say so, opaque where a colour key (tRNS) tells what is clear.
    const Bytes redBlueBlue = {255, 0, 0, 0, 0, 255, 0, 0, 255};  // the palette
    const int m = 65535;
    const struct {
        const char* name;
        std::uint8_t colourType, bitDepth;
        Bytes trns;
        std::vector<std::vector<int>> pixels;  // clear, opaque, half (only with alpha)
        std::array<int, 3> rgb;                // the opaque colour
    } cases[] = {
        {"RGBA 8", 6, 8, {}, {{255, 0, 0, 0}, {0, 0, 255, 255}, {0, 0, 255, 128}}, {0, 0, 255}},
        {"RGBA 16", 6, 16, {}, {{m, 0, 0, 0}, {0, 0, m, m}, {0, 0, m, 0x8080}}, {0, 0, 255}},
        {"grey+alpha 8", 4, 8, {}, {{255, 0}, {60, 255}, {60, 128}}, {60, 60, 60}},
        {"grey+alpha 16", 4, 16, {}, {{m, 0}, {0x3C3C, m}, {0x3C3C, 0x8080}}, {60, 60, 60}},
        // Index 2 lies past the tRNS entries: opaque.
        {"palette 8", 3, 8, {0, 128}, {{0}, {2}, {1}}, {0, 0, 255}},
        {"palette 2", 3, 2, {0, 128}, {{0}, {2}, {1}}, {0, 0, 255}},
        {"grey key 8", 0, 8, {0, 255}, {{255}, {60}}, {60, 60, 60}},
        {"grey key 1", 0, 1, {0, 1}, {{1}, {0}}, {0, 0, 0}},
        // The key matches all 16 bits, not the high byte the players show.
        {"grey key 16", 0, 16, {0xFF, 0}, {{0xFF00}, {0xFF01}}, {255, 255, 255}},
        {"RGB key 8", 2, 8, {0, 255, 0, 0, 0, 0}, {{255, 0, 0}, {0, 0, 255}}, {0, 0, 255}},
        {"RGB key 16", 2, 16, {0xFF, 0xFF, 0, 0, 0, 1}, {{m, 0, 1}, {m, 0, 0}}, {255, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes png = MakePngOf(16, 8, c.colourType, c.bitDepth, PackRows(c.bitDepth, c.pixels));
        if (!c.trns.empty()) {
            png = WithChunk(png, "tRNS", c.trns);
        }
        if (c.colourType == 3) {
            png = WithChunk(png, "PLTE", redBlueBlue);  // before the tRNS
        }
        Bytes out;
        const PicturePlan plan = Prepare(png, out, options);
        EXPECT_TRUE(plan.transparent);
        EXPECT_EQ(plan.action, PrepAction::Reencode);
        const std::optional<RgbImage> shown = DecodeJpeg(out.data(), out.size(), nullptr);
        ASSERT_TRUE(shown);
        ASSERT_EQ(shown->width, 16);
        const auto mix = [&c](int colour, int under) {
            return c.colourType >= 3 ? (colour * 128 + under * 127) / 255 : colour;
        };
        ExpectColour(Near(*shown, TopLeft), 20, 200, 90, "clear");
        ExpectColour(Near(*shown, TopRight), c.rgb[0], c.rgb[1], c.rgb[2], "opaque");
        ExpectColour(Near(*shown, BottomRight), mix(c.rgb[0], 20), mix(c.rgb[1], 200),
                     mix(c.rgb[2], 90), "half");
    }
}

// A codec that decodes other kinds as a browser does, each 16 x 8 with the
// left half clear. JPEGs are the tool's.
class GifCodec : public PictureCodec {
public:
    bool ReadJpegHeader(const std::uint8_t* data, std::size_t size, JpegHeader& header,
                        std::string& reason) override {
        return codec.ReadJpegHeader(data, size, header, reason);
    }
    JpegResult DecodeJpeg(const std::uint8_t* data, std::size_t size, const JpegHeader& header,
                          int width, int height, RgbImage& out, std::string& message) override {
        return codec.DecodeJpeg(data, size, header, width, height, out, message);
    }
    JpegResult EncodeJpeg(const RgbImage& image, JpegChroma chroma, int quality, Bytes& out,
                          std::string& reason) override {
        return codec.EncodeJpeg(image, chroma, quality, out, reason);
    }
    bool TurnJpeg(const std::uint8_t* data, std::size_t size, Orientation orientation,
                  Bytes& out) override {
        return codec.TurnJpeg(data, size, orientation, out);
    }
    bool reads = true;
    bool decodes = true;
    bool ReadsKind(std::string_view kind) const override { return reads && kind != "SVG"; }
    bool DecodeOther(const std::uint8_t*, std::size_t, int& width, int& height,
                     std::vector<std::uint8_t>* rgba, std::string& reason) override {
        width = 16;
        height = 8;
        reason = "damaged";
        for (int i = 0; rgba != nullptr && i < width * height; ++i) {
            rgba->insert(rgba->end(), {0, 0, 255, static_cast<std::uint8_t>(i % 16 < 8 ? 0 : 255)});
        }
        return decodes;
    }
};

TEST(PicturePrep, TakesTheOtherKindsItsCodecDecodes) {
    const Bytes gif = {'G', 'I', 'F', '8', '9', 'a', 16, 0, 8, 0};
    PrepOptions options;
    options.red = 20;
    options.green = 200;
    options.blue = 90;
    GifCodec gifs;
    PicturePlan plan;
    Bytes out;
    ASSERT_EQ(PreparePicture(gifs, gif.data(), gif.size(), options, plan, out, nullptr),
              PrepStatus::Ok);
    EXPECT_STREQ(plan.other, "GIF");
    EXPECT_TRUE(plan.transparent);
    EXPECT_EQ(DescribePlan(plan, 90, Wording::French),
              "image GIF de 16 x 8 : parties transparentes posées sur la couleur du quiz, "
              "enregistrée en JPEG de qualité 90");
    const std::optional<RgbImage> shown = DecodeJpeg(out.data(), out.size(), nullptr);
    ASSERT_TRUE(shown);
    ExpectColour(Near(*shown, TopLeft), 20, 200, 90, "clear");
    ExpectColour(Near(*shown, TopRight), 0, 0, 255, "opaque");
    // A header that gives more pixels than a quiz takes is refused undecoded.
    using namespace std::string_view_literals;
    const auto Of = [](std::string_view text) { return Bytes(text.begin(), text.end()); };
    const Bytes large[] = {
        Bytes{
            'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W',  'E',  'B', 'P',  'V',  'P', '8', 'X',
            10,  0,   0,   0,   0, 0, 0, 0, 0x1F, 0x4E, 0,   0x1F, 0x4E, 0},  // VP8X, 20000 x 20000
        Bytes{'G', 'I', 'F', '8', '7', 'a', 0xFF, 0xFF, 0xFF, 0xFF},
        Bytes{
            'B', 'M', 0, 0, 0,    0,    0, 0, 0,    0,    0,    0,   0, 0,
            40,  0,   0, 0, 0x30, 0x75, 0, 0, 0xD0, 0x8A, 0xFF, 0xFF},  // 30000 x -30000: top-down
        Of("\0\0\0\x18"
           "ftypavif\0\0\0\0mif1\0\0\0\x14ispe\0\0\0\0\0\0\x4E\x20\0\0\x4E\x20"sv),
    };
    for (const Bytes& header : large) {
        std::string detail;
        EXPECT_TRUE(OtherPictureTooLarge(header.data(), header.size()));
        EXPECT_EQ(PlanPicture(gifs, header.data(), header.size(), plan, &detail),
                  PrepStatus::TooLarge)
            << detail;
        EXPECT_GE(plan.width, 20000);
    }
    EXPECT_FALSE(OtherPictureTooLarge(gif.data(), gif.size()));
    // Damaged, it is unreadable; of a kind the codec reads not, it is no picture.
    gifs.decodes = false;
    EXPECT_EQ(PreparePicture(gifs, gif.data(), gif.size(), options, plan, out, nullptr),
              PrepStatus::Unreadable);
    gifs.reads = false;
    EXPECT_EQ(PlanPicture(gifs, gif.data(), gif.size(), plan, nullptr), PrepStatus::NotAPicture);
}

TEST(PicturePrep, ConvertsCmykAndKeepsWhatIsReady) {
    // Adobe's inverted CMYK, as libjpeg-turbo writes and reads it: red is
    // C' = 255, M' = Y' = 0, K' = 255.
    Bytes cmyk;
    for (int i = 0; i < 16 * 8; ++i) {
        cmyk.insert(cmyk.end(), {255, 0, 0, 255});
    }
    const Bytes cmykJpeg = MakeJpegOf(cmyk.data(), 16, 8, TJPF_CMYK);
    Bytes out;
    const PicturePlan plan = Prepare(cmykJpeg, out);
    EXPECT_TRUE(plan.cmyk);
    EXPECT_EQ(plan.action, PrepAction::Reencode);
    const std::optional<RgbImage> shown = DecodeJpeg(out.data(), out.size(), nullptr);
    ASSERT_TRUE(shown);
    ExpectColour(Near(*shown, TopLeft), 255, 0, 0, "CMYK red");
    // check takes it too, where it used to refuse what the players cannot show.
    PicturePlan checked;
    std::string damage;
    EXPECT_EQ(
        CheckPicture(codec, cmykJpeg.data(), cmykJpeg.size(), checked, nullptr, &damage, true),
        PrepStatus::Ok);
    EXPECT_TRUE(checked.cmyk);
    EXPECT_EQ(damage, "");
    // Cut inside the scan: still a picture, with the library's warning.
    const Bytes whole = MakeJpeg(Gradient(64, 48));
    const Bytes cutScan(whole.begin(), whole.end() - 40);
    EXPECT_EQ(CheckPicture(codec, cutScan.data(), cutScan.size(), checked, nullptr, &damage, true),
              PrepStatus::Ok);
    EXPECT_NE(damage, "");

    const Bytes grey = MakePngOf(2, 1, 0, 8, {7, 9});
    const Bytes ready[] = {
        MakeJpeg(Gradient(640, 480)),
        MakeJpeg(Gradient(600, 300)),
        WithOrientation(MakeJpeg(Gradient(64, 48)), 1),
        MakePngOf(2, 1, 2, 8, {1, 2, 3, 4, 5, 6}),
        // Fully opaque, an alpha channel or a tRNS chunk changes nothing: kept
        // byte for byte. So is a tRNS the format forbids or places after the
        // picture data, which browsers ignore too.
        MakePngOf(2, 1, 6, 8, {1, 2, 3, 255, 4, 5, 6, 255}),
        WithChunk(WithChunk(MakePngOf(2, 1, 3, 8, {0, 1}), "tRNS", {255, 255}), "PLTE",
                  {255, 0, 0, 0, 0, 255, 0, 0, 255}),
        WithChunk(grey, "tRNS", {0, 8}),
        WithChunk(grey, "tRNS", {0, 7, 0}),
        WithChunk(grey, "tRNS", {0, 7}, true),
    };
    for (const Bytes& file : ready) {
        EXPECT_EQ(Prepare(file, out).action, PrepAction::Keep);
        EXPECT_EQ(out, file);
    }

    // 16-bit samples are twice the bytes the players show: stored as JPEG.
    const Bytes deep = MakePngOf(2, 1, 2, 16, {0x12, 0x34, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 9});
    const PicturePlan deepPlan = Prepare(deep, out);
    EXPECT_TRUE(deepPlan.deep);
    EXPECT_EQ(deepPlan.action, PrepAction::Reencode);
    ASSERT_TRUE(DecodeJpeg(out.data(), out.size(), nullptr));

    // Refusals name their cause and leave nothing; a picture of another
    // format is named by its first bytes.
    Bytes cut = MakeJpeg(Gradient(16, 16));
    cut.resize(20);
    const Bytes huge =
        PngFile().Ihdr(30000, 30000, 8, 6).Chunk("IDAT", {0x78, 0x9C, 0x03, 0x00}).End().bytes;
    // Its second row's filter type is unknown: found as the rows are flattened.
    const Bytes badRow = PngFile()
                             .Ihdr(2, 2, 8, 6)
                             .Idat({0, 1, 2, 3, 4, 5, 6, 7, 8, 5, 1, 2, 3, 4, 5, 6, 7, 8})
                             .End()
                             .bytes;
    using namespace std::string_literals;
    const struct {
        std::string file;
        const char* reason;
        PrepStatus status = PrepStatus::NotAPicture;
    } bad[] = {
        {std::string(40, '\x33'), ""},
        {std::string(cut.begin(), cut.end()), "", PrepStatus::Unreadable},
        {std::string(huge.begin(), huge.end()), "", PrepStatus::TooLarge},
        {std::string(badRow.begin(), badRow.end()), "", PrepStatus::Unreadable},
        {"\0\0\0\030ftypheic"s, "a HEIC picture"},
        {"\0\0\0\034ftypavif"s, "an AVIF picture"},
        {"GIF89a\x10\0"s, "a GIF picture, which the players cannot show: convert it to PNG"},
        {"BM\x36\0\0\0\0\0\0\0"s, "a BMP picture"},
        {"BMW 3 series", "neither a JPEG nor a PNG file"},
        {"II*\0"s, "a TIFF picture"},
        {"MM\0*"s, "a TIFF picture"},
        {"\xEF\xBB\xBF <?xml version=\"1.0\"?>\n<svg xmlns=", "an SVG picture"},
        {"<!DOCTYPE html><p>", "neither a JPEG nor a PNG file"},
        {"\0\0\0\030ftypisom"s, "neither a JPEG nor a PNG file"},
        {"RIFF\x24\0\0\0WAVEfmt "s, "neither a JPEG nor a PNG file"},
        {"", "neither a JPEG nor a PNG file"},
    };
    for (const auto& b : bad) {
        const Bytes file(b.file.begin(), b.file.end());
        PicturePlan refused;
        std::string detail;
        EXPECT_EQ(PreparePicture(codec, file.data(), file.size(), {}, refused, out, &detail),
                  b.status);
        EXPECT_TRUE(out.empty());
        EXPECT_NE(detail, "");
        EXPECT_EQ(detail.rfind(b.reason, 0), 0U) << detail;
    }
    // A WebP is of a kind to convert for a codec that reads none (the tool's reads it).
    const Bytes webp =
        Bytes{'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', ' '};
    EXPECT_EQ(NotAPictureReason(webp.data(), webp.size())
                  .rfind("a WebP picture, which the players cannot show: convert it to JPEG", 0),
              0U);
}

// The studio's threads decode photos with libjpeg-turbo built for the
// browser: every scale and pixel must be the tool's.
TEST(PicturePrep, StudioDecodesAsTheTool) {
    const RgbImage photo = Marked(203, 151);  // odd sides, which scaling rounds up
    const struct {
        const char* name;
        Bytes jpeg;
    } kinds[] = {
        {"4:4:4", MakeJpeg(photo)},
        {"4:2:0", MakeJpeg(photo, TJSAMP_420)},
        {"grey", MakeJpeg(photo, TJSAMP_GRAY)},
        {"progressive 4:2:2",
         MakeJpegOf(photo.pixels.data(), 203, 151, TJPF_RGB, TJSAMP_422, 90, TJFLAG_PROGRESSIVE)},
    };
    // Sizes to cover: each picks another of the scales 1/8 to 8/8.
    const int sizes[][2] = {{203, 151}, {200, 10}, {10, 140}, {150, 90}, {80, 80},
                            {60, 40},   {50, 30},  {25, 19},  {1, 1}};
    for (const auto& kind : kinds) {
        JpegHeader header;
        std::string reason;
        ASSERT_TRUE(codec.ReadJpegHeader(kind.jpeg.data(), kind.jpeg.size(), header, reason));
        for (const auto& size : sizes) {
            const std::string where = std::string(kind.name) + " covering " +
                                      std::to_string(size[0]) + " x " + std::to_string(size[1]);
            RgbImage tool;
            ASSERT_EQ(codec.DecodeJpeg(kind.jpeg.data(), kind.jpeg.size(), header, size[0], size[1],
                                       tool, reason),
                      JpegResult::Ok)
                << where << ": " << reason;
            RgbImage studio;
            ASSERT_TRUE(DecodeJpegHere(kind.jpeg.data(), kind.jpeg.size(), size[0], size[1], studio,
                                       reason))
                << where << ": " << reason;
            EXPECT_EQ(studio.width, tool.width) << where;
            EXPECT_EQ(studio.height, tool.height) << where;
            EXPECT_TRUE(studio.pixels == tool.pixels) << where;
        }
    }

    // Left to the browser, which decodes them as it always did.
    Bytes cmyk(16 * 8 * 4, 200);
    const Bytes cut(kinds[1].jpeg.begin(), kinds[1].jpeg.end() - 40);
    const struct {
        const char* name;
        Bytes jpeg;
        const char* reason;
    } declined[] = {
        {"CMYK", MakeJpegOf(cmyk.data(), 16, 8, TJPF_CMYK), "CMYK"},
        {"cut in its scan", cut, "damaged data"},
        {"empty", {}, "nothing to decode"},
    };
    for (const auto& c : declined) {
        RgbImage out;
        std::string reason;
        EXPECT_FALSE(DecodeJpegHere(c.jpeg.data(), c.jpeg.size(), 16, 8, out, reason)) << c.name;
        EXPECT_EQ(reason, c.reason) << c.name;
    }
    // What libjpeg refuses traps: the thread then makes its module anew.
    const Bytes notJpeg = {'n', 'o', 't', ' ', 'a', ' ', 'J', 'P', 'E', 'G'};
    Bytes twelveBits = kinds[0].jpeg;
    for (std::size_t at = 2; at + 4 < twelveBits.size(); ++at) {
        if (twelveBits[at] == 0xFF && twelveBits[at + 1] == 0xC0) {
            twelveBits[at + 4] = 12;  // the frame's precision
            break;
        }
    }
    for (const Bytes& refused : {notJpeg, twelveBits}) {
        RgbImage out;
        std::string reason;
        EXPECT_DEATH(DecodeJpegHere(refused.data(), refused.size(), 16, 8, out, reason), "");
    }
}

TEST(PicturePrep, DescribesThePlan) {
    PicturePlan plan;
    EXPECT_EQ(DescribePlan(plan, 90), "kept as it is");
    plan.width = 4000;
    plan.height = 3000;
    plan.orientation = Orientation::Rotated90;
    plan.cmyk = true;
    plan.deep = true;
    plan.fitted = true;
    plan.shownWidth = 360;
    plan.shownHeight = 480;
    plan.action = PrepAction::Reencode;
    EXPECT_EQ(DescribePlan(plan, 85),
              "4000 x 3000 JPEG, EXIF orientation 6: turned upright, CMYK made RGB, 16-bit samples "
              "made 8-bit, fitted to 360 x 480, stored as a JPEG of quality 85");
    EXPECT_EQ(DescribePlan(plan, 85, Wording::French),
              "photo JPEG de 4000 x 3000 : redressée, couleurs d'imprimerie faites pour l'écran, "
              "nuances ramenées à celles de l'écran, mise à 360 x 480, enregistrée en JPEG de "
              "qualité 85");
}

}  // namespace
}  // namespace brivel
