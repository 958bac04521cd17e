#include "pictures/png_decoder.h"

#include <gtest/gtest.h>

#include <vector>

#include "alloc_hooks.h"
#include "fakes.h"
#include "picture_fixtures.h"

namespace brivel {
namespace {

using namespace testing;  // PngFile, Zlib

Bytes Cut(Bytes file, std::size_t dropped) {
    file.resize(file.size() - dropped);
    return file;
}

// 3 x 2 RGB, rows with filter None: the image the structure cases vary.
const Bytes kRgbRows = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 10, 11, 12, 13, 14, 15, 16, 17, 18};
// Its bitmap: BGR on a 12-byte stride.
const PictureBytes kRgbBitmap = {3,  2,  1,  6,  5,  4,  9,  8,  7,  0, 0, 0,
                                 12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0};

PngFile RgbFile() {
    return PngFile().Ihdr(3, 2, 8, 2).Idat(kRgbRows).End();
}

// What a call gave and the error it left: "true None", "false BadFile".
std::string Gave(bool ok, const PngDecoder& decoder) {
    return (ok ? "true " : "false ") + std::string(PngErrorName(decoder.error()));
}

TEST(PngDecoder, RefusesBrokenFilesWithTheirErrorAndStage) {
    Bytes badSignature = RgbFile().bytes, damaged = RgbFile().bytes, filter5 = kRgbRows;
    badSignature[1] = 'p';
    damaged[41] = 0x77;  // the zlib header's compression method: 7
    filter5[10] = 5;
    using E = PngError;
    // What refuses the file, leaving the decoder empty, loaded or decoded.
    enum Stage { kLoad, kDecode, kRender };
    const struct {
        const char* name;
        Bytes file;
        PngError error;
        Stage stage = kLoad;
    } cases[] = {
        {"15 bytes", Bytes(badSignature.begin(), badSignature.begin() + 15), E::BadFile},
        {"signature", badSignature, E::BadFile},
        {"IDAT first", PngFile().Idat(kRgbRows).Ihdr(3, 2, 8, 2).bytes, E::BadFile},
        {"IHDR of 12 bytes", PngFile().Chunk("IHDR", Bytes(12, 1)).bytes, E::BadFile},
        {"IHDR cut short", Cut(PngFile().Ihdr(3, 2, 8, 2).bytes, 1), E::BadFile},
        {"width 0", PngFile().Ihdr(0, 2, 8, 2).Idat(kRgbRows).bytes, E::BadFile},
        {"height 0", PngFile().Ihdr(3, 0, 8, 2).Idat(kRgbRows).bytes, E::BadFile},
        {"RGB 4-bit", PngFile().Ihdr(3, 2, 4, 2).Idat(kRgbRows).bytes, E::Unsupported},
        {"grey 3-bit", PngFile().Ihdr(3, 2, 3, 0).Idat(kRgbRows).bytes, E::Unsupported},
        {"palette 16-bit", PngFile().Ihdr(3, 2, 16, 3).Chunk("PLTE", Bytes(3)).bytes,
         E::Unsupported},
        {"colour type 5", PngFile().Ihdr(3, 2, 8, 5).Idat(kRgbRows).bytes, E::Unsupported},
        {"interlace 2", PngFile().Ihdr(3, 2, 8, 2, 2).Idat(kRgbRows).bytes, E::Unsupported},
        {"compression 1", PngFile().Ihdr(3, 2, 8, 2, 0, 1).Idat(kRgbRows).bytes, E::Unsupported},
        {"filter method 1", PngFile().Ihdr(3, 2, 8, 2, 0, 0, 1).Idat(kRgbRows).bytes,
         E::Unsupported},
        {"critical chunk after IEND", RgbFile().Chunk("ABCD", {}).bytes, E::Unsupported},
        {"IHDr", RgbFile().Chunk("IHDr", {}).bytes, E::Unsupported},
        {"palette without PLTE", PngFile().Ihdr(1, 1, 8, 3).Idat({0, 0}).End().bytes,
         E::Unsupported},
        {"only PLTE cut short", Cut(PngFile().Ihdr(1, 1, 8, 3).Chunk("PLTE", Bytes(3)).bytes, 1),
         E::Unsupported},
        {"no IDAT", PngFile().Ihdr(3, 2, 8, 2).End().bytes, E::BadFile, kDecode},
        {"bad deflate data", damaged, E::BadFile, kDecode},
        {"stream longer than the image", PngFile().Ihdr(3, 1, 8, 2).Idat(kRgbRows).bytes,
         E::BadFile, kDecode},
        {"raw size above 32 bits", PngFile().Ihdr(0x10000000, 16, 8, 0).Idat({0}).bytes,
         E::OutOfMemory, kDecode},
        // A filter type above 4 fails only the render, with no error.
        {"filter type 5", PngFile().Ihdr(3, 2, 8, 2).Idat(filter5).bytes, E::None, kRender},
        // Adam7: the second row is pass 7's.
        {"filter type 5 interlaced", PngFile().Ihdr(1, 2, 8, 0, 1).Idat({0, 1, 5, 2}).bytes,
         E::None, kRender},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PngDecoder decoder;
        EXPECT_EQ(decoder.LoadFromMemory(c.file.data(), c.file.size()), c.stage != kLoad);
        if (c.stage != kLoad) {
            EXPECT_EQ(decoder.Decode(), c.stage == kRender);
        }
        Dib dib;
        if (c.stage == kRender) {
            EXPECT_FALSE(decoder.MakeDib(kDefaultPngFormat, dib));
            PngRows rows(decoder, kDefaultPngFormat);
            std::uint32_t given = 0;
            while (rows.Next() != nullptr) {
                ++given;
            }
            EXPECT_LT(given, decoder.height());
            EXPECT_EQ(rows.Next(), nullptr);
        }
        EXPECT_EQ(decoder.error(), c.error);
        EXPECT_EQ(decoder.state(), c.stage == kLoad     ? PngState::Empty
                                   : c.stage == kDecode ? PngState::Loaded
                                                        : PngState::Decoded);
    }
}

// The bitmap of a file that must load and decode.
Dib DecodeOk(const Bytes& file) {
    PngDecoder decoder;
    Dib dib;
    EXPECT_TRUE(decoder.LoadFromMemory(file.data(), file.size())) << PngErrorName(decoder.error());
    EXPECT_TRUE(decoder.Decode()) << PngErrorName(decoder.error());
    EXPECT_TRUE(decoder.MakeDib(kDefaultPngFormat, dib)) << PngErrorName(decoder.error());
    return dib;
}

TEST(PngDecoder, ReadsWhatTheChunkRulesLetThrough) {
    PngFile allCrcsWrong;
    allCrcsWrong.goodCrc = false;
    Bytes hugeLast = RgbFile().bytes;
    const Bytes hugeHeader = {0xFF, 0xFF, 0xFF, 0xF0, 'A', 'B', 'C', 'D', 9, 9, 9, 9, 9};
    hugeLast.insert(hugeLast.end(), hugeHeader.begin(), hugeHeader.end());
    const Bytes files[] = {
        // Ancillary chunks are passed over, so tRNS is not applied.
        PngFile()
            .Ihdr(3, 2, 8, 2)
            .Chunk("tEXt", {'a', 0, 'b'})
            .Chunk("tRNS", {0, 0, 0, 1, 0, 2})
            .Chunk("abCD", {})
            .Idat(kRgbRows)
            .End()
            .bytes,
        // The case bit of the first letter is ignored.
        PngFile().Ihdr(3, 2, 8, 2, 0, 0, 0, "iHDR").Idat(kRgbRows, "iDAT").Chunk("iEND", {}).bytes,
        allCrcsWrong.Ihdr(3, 2, 8, 2).Idat(kRgbRows).End().bytes,
        // A last chunk reaching past the end is not read, whatever its type.
        hugeLast,
        // The image data split over IDAT chunks, an empty one between.
        [] {
            const Bytes packed = Zlib(kRgbRows);
            return PngFile()
                .Ihdr(3, 2, 8, 2)
                .Chunk("IDAT", Bytes(packed.begin(), packed.begin() + 5))
                .Chunk("IDAT", {})
                .Chunk("IDAT", Bytes(packed.begin() + 5, packed.end()))
                .End()
                .bytes;
        }(),
    };
    for (const Bytes& file : files) {
        EXPECT_EQ(DecodeOk(file).bits, kRgbBitmap);
    }
}

TEST(PngDecoder, PaletteTableComesFromTheFirstPlteCappedAt256) {
    Bytes longPalette;
    for (int i = 0; i < 300; ++i) {
        longPalette.insert(longPalette.end(), {static_cast<std::uint8_t>(i), 7, 9});
    }
    const Bytes file = PngFile()
                           .Ihdr(4, 1, 8, 3)
                           .Chunk("PLTE", longPalette)
                           .Idat({0, 0, 1, 2, 255})
                           .Chunk("PLTE", {1, 1, 1})
                           .bytes;
    PngDecoder decoder;
    ASSERT_TRUE(decoder.LoadFromMemory(file.data(), file.size()));
    EXPECT_EQ(decoder.paletteCount(), 300u);
    const Dib dib = DecodeOk(file);
    EXPECT_EQ(dib.bits, PictureBytes({0, 1, 2, 255}));
    EXPECT_EQ(dib.info.colourCount, 256u);
    EXPECT_EQ(dib.info.colours[255].red, 255);
    EXPECT_EQ(dib.info.colours[255].blue, 9);
}

TEST(PngDecoder, RawImageSize) {
    const struct {
        std::uint32_t width, height;
        std::uint8_t depth, colourType, interlace;
        std::uint64_t size;
    } cases[] = {
        {1, 1, 8, 0, 1, 2},  // only pass 1 holds a pixel
        {3, 2, 8, 2, 0, 20},
        // One row: passes 1, 2, 4 and 6 of 2, 1, 2 and 4 pixels of 8 bytes.
        {9, 1, 16, 6, 1, 76},
        {0x40000000, 4, 16, 6, 0, 4 * (std::uint64_t{0x40000000} * 8 + 1)},
    };
    for (const auto& c : cases) {
        PngDecoder decoder;
        const Bytes file =
            PngFile().Ihdr(c.width, c.height, c.depth, c.colourType, c.interlace).Idat({0}).bytes;
        ASSERT_TRUE(decoder.LoadFromMemory(file.data(), file.size()));
        EXPECT_EQ(decoder.RawImageSize(), c.size) << c.width << "x" << c.height;
    }
}

TEST(PngDecoder, StatesAndTheirErrors) {
    const Bytes good = RgbFile().bytes;
    PngDecoder decoder;
    Dib dib;
    EXPECT_EQ(Gave(decoder.Decode(), decoder), "false WrongState");
    EXPECT_FALSE(decoder.LoadFromMemory(good.data(), 15));
    // A failed load leaves the decoder empty, so it can load again.
    ASSERT_TRUE(decoder.LoadFromMemory(good.data(), good.size()));
    EXPECT_EQ(Gave(decoder.MakeDib(kDefaultPngFormat, dib), decoder), "false WrongState");
    EXPECT_EQ(Gave(decoder.LoadFromMemory(good.data(), good.size()), decoder), "false NotEmpty");
    EXPECT_EQ(Gave(decoder.Decode(), decoder), "true None");
    EXPECT_EQ(Gave(decoder.Decode(), decoder), "false WrongState");
    EXPECT_EQ(decoder.state(), PngState::Decoded);
}

TEST(PngDecoder, StreamEndingEarlyLeavesZeroRows) {
    const Bytes firstRow(kRgbRows.begin(), kRgbRows.begin() + 10);
    const Dib dib = DecodeOk(PngFile().Ihdr(3, 2, 8, 2).Idat(firstRow).End().bytes);
    PictureBytes expected(kRgbBitmap.begin(), kRgbBitmap.begin() + 12);
    expected.resize(24, 0);
    EXPECT_EQ(dib.bits, expected);
}

TEST(PngDecoder, LoadsFromRcdataResources) {
    const Bytes good = RgbFile().bytes;
    testing::FakeResources resources;
    resources.Add("#10", 7, good);
    resources.Add("#10", 8, {});
    resources.Add("#10", 9, Cut(good, good.size() - 15));
    const struct {
        std::uint16_t id;
        const char* gave;
    } cases[] = {{6, "false ResourceNotFound"},
                 {8, "false ResourceEmpty"},
                 {9, "false BadFile"},
                 {7, "true None"}};
    PngDecoder decoder;
    for (const auto& c : cases) {
        EXPECT_EQ(Gave(decoder.LoadFromResource(resources, c.id), decoder), c.gave) << c.id;
        EXPECT_EQ(resources.lookups.back(), std::make_pair(std::string("#10"), c.id));
    }
    EXPECT_EQ(Gave(decoder.LoadFromResource(resources, 7), decoder), "false NotEmpty");
    // The decoder holds its own copy of the bytes.
    resources.resources.clear();
    Dib dib;
    ASSERT_TRUE(decoder.Decode());
    ASSERT_TRUE(decoder.MakeDib(kDefaultPngFormat, dib));
    EXPECT_EQ(dib.bits, kRgbBitmap);
}

TEST(PngDecoder, AllocatesOnlyTheRawBufferAndTheRowBuffers) {
    for (std::uint8_t interlace : {0, 1}) {
        // An empty stream: the image is all zero.
        const Bytes file = PngFile().Ihdr(33, 17, 8, 6, interlace).Idat({}).bytes;
        PngDecoder decoder;
        std::size_t before = testing::AllocationCount();
        ASSERT_TRUE(decoder.LoadFromMemory(file.data(), file.size()));
        EXPECT_EQ(testing::AllocationCount() - before, 0u);
        {
            testing::FailAllocationsFrom failing(decoder.RawImageSize());
            EXPECT_EQ(Gave(decoder.Decode(), decoder), "false OutOfMemory");
        }
        before = testing::AllocationCount();
        ASSERT_TRUE(decoder.Decode());
        EXPECT_EQ(testing::AllocationCount() - before, 1u);

        Bytes pixels(33 * 17 * 4);
        before = testing::AllocationCount();
        ASSERT_TRUE(decoder.RenderRows(pixels.data(), kDefaultPngFormat));
        EXPECT_EQ(testing::AllocationCount() - before, 1u);
        {
            testing::FailAllocationsFrom failing(1);
            EXPECT_EQ(Gave(decoder.RenderRows(pixels.data(), kDefaultPngFormat), decoder),
                      "false None");
        }
        Dib dib;
        {
            testing::FailAllocationsFrom failing(pixels.size());
            EXPECT_EQ(Gave(decoder.MakeDib(kDefaultPngFormat, dib), decoder), "false OutOfMemory");
        }
    }
}

// Large blocks come from the system rather than the heap: a photograph's raw
// rows (9 MB here) and bitmap, whole and in their place, and no block at all
// when no address space could hold it.
TEST(PictureMemory, HoldsAPhotographAndRefusesTheImpossible) {
    constexpr std::uint32_t kWidth = 2000, kHeight = 1500;
    Bytes rows;
    PictureBytes bitmap;  // BGR; rows of 6000 bytes need no padding
    for (std::uint32_t y = 0; y < kHeight; ++y) {
        rows.push_back(0);
        for (std::uint32_t x = 0; x < kWidth; ++x) {
            const auto r = static_cast<std::uint8_t>(x), g = static_cast<std::uint8_t>(y),
                       b = static_cast<std::uint8_t>(x ^ y);
            rows.insert(rows.end(), {r, g, b});
            bitmap.insert(bitmap.end(), {b, g, r});
        }
    }
    EXPECT_TRUE(DecodeOk(PngFile().Ihdr(kWidth, kHeight, 8, 2).Idat(rows).End().bytes).bits ==
                bitmap);

    // The heap refuses through the test's allocator, the system by itself.
    constexpr std::size_t kNoSpace = std::size_t{1} << 48;
    testing::FailAllocationsFrom failing(kNoSpace);
    for (const std::size_t size : {kNoSpace, ~std::size_t{0} / 2, ~std::size_t{0}}) {
        EXPECT_EQ(AllocatePictureMemory(size), nullptr) << size;
    }
    PictureBytes bytes;
    EXPECT_THROW(bytes.resize(kNoSpace), std::bad_alloc);
}

}  // namespace
}  // namespace brivel
