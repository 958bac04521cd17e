// Bitmaps from our PNG decoder against the pixels they must show: images
// written by libpng from known samples, and the public corpora read by libpng.

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "pictures/png_decoder.h"
#include "public_corpora.h"
#include "scratch_folder.h"

namespace brivel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An image as PNG samples: channels per pixel, values below 2^depth.
struct Image {
    std::uint32_t width = 0, height = 0;
    int colourType = 0, depth = 0;
    std::vector<std::uint16_t> samples;
    std::vector<png_color> palette;

    int Channels() const {
        return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    }
    std::uint16_t At(std::uint32_t x, std::uint32_t y, int c) const {
        return samples[(std::size_t{y} * width + x) * Channels() + c];
    }
};

// Everything libpng fills or reads lives behind `work`, so the long jump of a
// libpng error loses nothing. Rows hold a byte per sample of up to 8 bits
// (libpng packs and unpacks them) and two big-endian bytes per 16-bit sample.
struct LibpngWork {
    const Bytes* in = nullptr;
    std::size_t at = 0;
    Bytes* out = nullptr;
    Bytes rows;
    std::vector<png_bytep> rowPointers;

    void PointRows(std::size_t rowBytes, std::uint32_t height) {
        rows.assign(rowBytes * height, 0);
        rowPointers.resize(height);
        for (std::uint32_t y = 0; y < height; ++y) {
            rowPointers[y] = rows.data() + y * rowBytes;
        }
    }
};

void Fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void Quiet(png_structp, png_const_charp) {}

bool WriteWithLibpng(const Image& image, bool interlaced, int filters, Bytes& file,
                     LibpngWork& work) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
    png_infop info = png_create_info_struct(png);
    work.out = &file;
    const int sampleBytes = image.depth / 16 + 1;
    work.PointRows(std::size_t{image.width} * image.Channels() * sampleBytes, image.height);
    for (std::size_t i = 0; i < image.samples.size(); ++i) {
        work.rows[i * sampleBytes] =
            static_cast<std::uint8_t>(image.samples[i] >> (8 * (sampleBytes - 1)));
        work.rows[i * sampleBytes + sampleBytes - 1] = static_cast<std::uint8_t>(image.samples[i]);
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(
        png, &work,
        [](png_structp p, png_bytep from, size_t n) {
            Bytes& out = *static_cast<LibpngWork*>(png_get_io_ptr(p))->out;
            out.insert(out.end(), from, from + n);
        },
        [](png_structp) {});
    png_set_IHDR(png, info, image.width, image.height, image.depth, image.colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty()) {
        png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
        // Indexes past the palette are what the test wants to see drawn.
        png_set_check_for_invalid_index(png, 0);
    }
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_write_info(png, info);
    png_set_packing(png);
    png_write_image(png, work.rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// The samples as stored: no transformation but de-interlacing and unpacking.
// CRCs and Adler-32 are not checked, as our decoder does not check them either.
bool ReadWithLibpng(const Bytes& file, Image& image, LibpngWork& work) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
    png_infop info = png_create_info_struct(png);
    work.in = &file;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &work, [](png_structp p, png_bytep to, size_t n) {
        auto* w = static_cast<LibpngWork*>(png_get_io_ptr(p));
        if (w->in->size() - w->at < n) {
            png_error(p, "end of file");
        }
        std::memcpy(to, w->in->data() + w->at, n);
        w->at += n;
    });
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(png, info);
    png_get_IHDR(png, info, &image.width, &image.height, &image.depth, &image.colourType, nullptr,
                 nullptr, nullptr);
    png_set_interlace_handling(png);
    png_set_packing(png);
    png_read_update_info(png, info);
    work.PointRows(png_get_rowbytes(png, info), image.height);
    png_read_image(png, work.rowPointers.data());
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &palette, &entries) != 0) {
        image.palette.assign(palette, palette + entries);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    const int sampleBytes = image.depth / 16 + 1;
    for (std::size_t i = 0; i < work.rows.size(); i += sampleBytes) {
        image.samples.push_back(static_cast<std::uint16_t>(
            (work.rows[i] << (8 * (sampleBytes - 1))) | work.rows[i + sampleBytes - 1]));
    }
    return true;
}

// Every layout of the format table, with how each output pixel is made:
// below 8 bits the first sample unchanged; otherwise one byte per letter,
// upper case the high byte of that sample (or the 8-bit sample), lower case
// its low byte. Y is grey or the palette index.
const struct Layout {
    std::uint32_t code;
    unsigned bits;
    const char* bytes;
    bool isDefault;
} kLayouts[] = {
    {0x00010100, 1, "", true},         {0x00020000, 2, "", false},
    {0x0002010B, 4, "", true},         {0x00040100, 4, "", true},
    {0x00080100, 8, "Y", true},        {0x00100001, 16, "yY", false},
    {0x00100106, 8, "Y", true},        {0x0208010C, 24, "BGR", true},
    {0x02100002, 48, "bBgGrR", false}, {0x02100107, 24, "BGR", true},
    {0x03010100, 1, "", true},         {0x03020000, 2, "", false},
    {0x0302010B, 4, "", true},         {0x03040100, 4, "", true},
    {0x03080100, 8, "Y", true},        {0x04080000, 16, "YA", false},
    {0x04080106, 8, "Y", true},        {0x04100001, 32, "yYaA", false},
    {0x04100005, 16, "yY", false},     {0x04100006, 16, "YA", false},
    {0x0410010A, 8, "Y", true},        {0x0608010E, 32, "BGRA", true},
    {0x0608010D, 24, "BGR", false},    {0x06100004, 64, "bBgGrRaA", false},
    {0x06100003, 48, "bBgGrR", false}, {0x06100109, 32, "BGRA", true},
    {0x06100108, 24, "BGR", false},
};

std::size_t Stride(std::uint32_t width, unsigned bits) {
    return (std::size_t{width} * bits + 31) / 32 * 4;
}

// The rows a layout gives, padding and spare bits zero.
PictureBytes ExpectedRows(const Image& image, const Layout& layout) {
    const std::size_t stride = Stride(image.width, layout.bits);
    PictureBytes rows(stride * image.height, 0);
    const std::string names = image.colourType == 2 || image.colourType == 6 ? "RGBA" : "YA";
    for (std::uint32_t y = 0; y < image.height; ++y) {
        std::uint8_t* row = rows.data() + y * stride;
        for (std::uint32_t x = 0; x < image.width; ++x) {
            if (layout.bits < 8) {
                const std::size_t bit = std::size_t{x} * layout.bits;
                row[bit / 8] |=
                    static_cast<std::uint8_t>(image.At(x, y, 0) << (8 - layout.bits - bit % 8));
                continue;
            }
            for (std::size_t k = 0; layout.bytes[k] != 0; ++k) {
                const char name = layout.bytes[k];
                const int v = image.At(x, y, static_cast<int>(names.find(std::toupper(name))));
                const int byte = image.depth < 16 ? v : std::isupper(name) ? v >> 8 : v & 0xFF;
                row[x * (layout.bits / 8) + k] = static_cast<std::uint8_t>(byte);
            }
        }
    }
    return rows;
}

// The colour table of a bitmap of up to 8 bits: the palette, black past it,
// or grey levels spread over 0 to 255.
void ExpectColours(const Dib& dib, const Image& image) {
    const DibHeader& h = dib.info.header;
    if (h.bitCount > 8) {
        return;
    }
    const unsigned entries = h.clrUsed != 0 ? h.clrUsed : 1u << h.bitCount;
    const unsigned greyMax = (1u << std::min(image.depth, 8)) - 1;
    for (unsigned i = 0; i < entries; ++i) {
        png_color want{};
        if (image.colourType != 3) {
            const auto level = static_cast<png_byte>(i * 255 / greyMax);
            want = {level, level, level};
        } else if (i < image.palette.size()) {
            want = image.palette[i];
        }
        const DibColour& c = dib.info.colours[i];
        EXPECT_TRUE(c.red == want.red && c.green == want.green && c.blue == want.blue) << i;
    }
}

// Decodes file with our decoder and checks every layout of its colour type
// and bit depth against the image it must show.
void ExpectShows(const Bytes& file, const Image& image) {
    PngDecoder decoder;
    Dib dib;
    ASSERT_TRUE(decoder.LoadFromMemory(file.data(), file.size()));
    ASSERT_TRUE(decoder.Decode()) << PngErrorName(decoder.error());
    ASSERT_TRUE(decoder.MakeDib(kDefaultPngFormat, dib));
    const DibHeader& h = dib.info.header;
    EXPECT_EQ(h.width, static_cast<std::int32_t>(image.width));
    EXPECT_EQ(h.height, -static_cast<std::int32_t>(image.height));
    const bool grey = image.colourType == 0 || image.colourType == 4;
    EXPECT_EQ(h.clrUsed, !grey ? 0u : image.depth < 8 ? 1u << image.depth : 256u);
    ExpectColours(dib, image);

    const std::uint32_t pair = (std::uint32_t(image.colourType) << 24) | (image.depth << 16);
    for (const Layout& layout : kLayouts) {
        if ((layout.code & 0xFFFF0000) != pair) {
            continue;
        }
        SCOPED_TRACE(::testing::Message() << std::hex << "format 0x" << layout.code);
        Dib made;
        const bool shown = (layout.code & 0x100) != 0;
        EXPECT_EQ(decoder.MakeDib(layout.code, made), shown);
        if (layout.isDefault) {
            EXPECT_EQ(h.bitCount, layout.bits);
            EXPECT_EQ(dib.bits, made.bits);
        }
        if (!shown) {
            // The other layouts are only rendered into memory of the caller's.
            EXPECT_EQ(decoder.error(), PngError::FormatRefused);
            std::uint32_t chosen = 0;
            decoder.BuildBitmapInfo(layout.code, made.info, chosen);
            made.bits.assign(Stride(image.width, made.info.header.bitCount) * image.height, 0xAA);
            ASSERT_TRUE(decoder.RenderRows(made.bits.data(), layout.code));
        }
        EXPECT_EQ(made.info.header.bitCount, layout.bits);
        EXPECT_EQ(made.bits, ExpectedRows(image, layout));
        // Row by row, as a large picture is flattened: the same rows.
        PngRows rows(decoder, layout.code);
        ASSERT_TRUE(rows.ok());
        decltype(made.bits) each;
        for (const std::uint8_t* row; (row = rows.Next()) != nullptr;) {
            each.insert(each.end(), row, row + Stride(image.width, layout.bits));
        }
        EXPECT_EQ(each, ExpectedRows(image, layout));
    }
    // Layouts of another colour type or bit depth, or of no row of the table.
    for (std::uint32_t other : {pair ^ 0x02000000u, pair ^ 0x00180000u, pair | 0x010F}) {
        Dib refused;
        EXPECT_FALSE(decoder.MakeDib(other | 0x100, refused)) << std::hex << other;
        EXPECT_EQ(decoder.error(), PngError::FormatRefused);
    }
}

TEST(PngRender, MatchesTheSamplesForEveryLayoutFilterAndSize) {
    const std::pair<int, int> pairs[] = {{0, 1}, {0, 2},  {0, 4},  {0, 8}, {0, 16},
                                         {2, 8}, {2, 16}, {3, 1},  {3, 2}, {3, 4},
                                         {3, 8}, {4, 8},  {4, 16}, {6, 8}, {6, 16}};
    // Odd sizes, and sizes that leave Adam7 passes empty.
    const std::pair<std::uint32_t, std::uint32_t> sizes[] = {{1, 1}, {1, 9}, {9, 1},  {7, 3},
                                                             {3, 2}, {5, 5}, {33, 17}};
    const int filterSets[] = {PNG_FILTER_NONE, PNG_FILTER_SUB,   PNG_FILTER_UP,
                              PNG_FILTER_AVG,  PNG_FILTER_PAETH, PNG_ALL_FILTERS};
    std::mt19937 random(20240601);
    for (const auto& [colourType, depth] : pairs) {
        for (const auto& [width, height] : sizes) {
            Image image{width, height, colourType, depth, {}, {}};
            std::uniform_int_distribution<int> sample(0, (1 << depth) - 1);
            image.samples.resize(std::size_t{width} * height * image.Channels());
            for (auto& s : image.samples) {
                s = static_cast<std::uint16_t>(sample(random));
            }
            if (colourType == 3) {
                // Often shorter than the indexes reach.
                image.palette.resize(std::uniform_int_distribution<int>(1, 1 << depth)(random));
                for (png_color& c : image.palette) {
                    c = {static_cast<png_byte>(random()), static_cast<png_byte>(random()),
                         static_cast<png_byte>(random())};
                }
            }
            for (int filters : filterSets) {
                for (bool interlaced : {false, true}) {
                    SCOPED_TRACE(::testing::Message()
                                 << "type " << colourType << " depth " << depth << " " << width
                                 << "x" << height << " filters " << filters << " interlaced "
                                 << interlaced);
                    Bytes file;
                    LibpngWork work;
                    ASSERT_TRUE(WriteWithLibpng(image, interlaced, filters, file, work));
                    ExpectShows(file, image);
                }
            }
        }
    }
}

// Where our decoder stops with a file: the error of the load, the decode or
// the bitmap, or None when it made the bitmap.
PngError Verdict(const Bytes& file) {
    PngDecoder decoder;
    Dib dib;
    if (decoder.LoadFromMemory(file.data(), file.size()) && decoder.Decode()) {
        decoder.MakeDib(kDefaultPngFormat, dib);
    }
    return decoder.error();
}

// Every file of folder is refused with the error listed for it (its name
// without .png), or else decodes to the pixels libpng reads.
using Refusals = std::vector<std::pair<PngError, std::vector<std::string>>>;
void ExpectCorpus(const char* folder, const Refusals& refusals) {
    std::map<std::string, PngError> refused;
    for (const auto& [error, names] : refusals) {
        for (const std::string& name : names) {
            refused[name + ".png"] = error;
        }
    }
    const std::filesystem::path root = testing::CorpusFolder(folder);
    std::size_t decoded = 0, seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".png") {
            continue;
        }
        SCOPED_TRACE(name);
        ++seen;
        const Bytes file = testing::FileBytes<Bytes>(entry.path());
        const auto listed = refused.find(name);
        const PngError expected = listed != refused.end() ? listed->second : PngError::None;
        ASSERT_EQ(Verdict(file), expected) << PngErrorName(Verdict(file));
        if (expected == PngError::None) {
            Image image;
            LibpngWork work;
            ASSERT_TRUE(ReadWithLibpng(file, image, work));
            ExpectShows(file, image);
            ++decoded;
        }
    }
    EXPECT_EQ(seen - decoded, refused.size());
}

TEST(PngRender, PngSuiteMatchesLibpng) {
    BRIVEL_NEED_CORPUS("pngsuite");
    // The corrupt files but two: CRCs are never compared, so a damaged IDAT
    // (xcs) or IHDR (xhd) CRC decodes.
    ExpectCorpus(
        "pngsuite",
        {// colour type 1 and 9, bit depth 0, 3 and 99
         {PngError::Unsupported, {"xc1n0g08", "xc9n2c08", "xd0n2c08", "xd3n2c08", "xd9n2c08"}},
         // signatures, and no IDAT
         {PngError::BadFile,
          {"xcrn0g04", "xlfn0g04", "xs1n0g01", "xs2n0g01", "xs4n0g01", "xs7n0g01", "xdtn0g01"}}});
}

TEST(PngRender, DamagedFilesAreRefusedOrDecodedLikeLibpng) {
    BRIVEL_NEED_CORPUS("png-bad");
    // Cut inside the image data: the cut chunk is not read, so there is no IDAT.
    ExpectCorpus("png-bad/wuffs-truncated",
                 {{PngError::BadFile,
                   {"hippopotamus.interlaced.truncated", "hippopotamus.regular.truncated"}}});
    // badadler.png and badcrc.png decode: checksums are never compared.
    ExpectCorpus("png-bad/libspng-crashers",
                 {// cut IDAT (huge_IDAT, invalid_gray_alpha_sbit), no IDAT (bad_iCCP, zero_gama)
                  {PngError::BadFile,
                   {"huge_IDAT", "invalid_gray_alpha_sbit", "bad_iCCP", "zero_gama", "zero_width"}},
                  // palette images whose only chunk after IHDR is cut short: no PLTE
                  {PngError::Unsupported,
                   {"missing_plte", "huge_bKGD_chunk", "huge_cHRM_chunk", "huge_eXIf_chunk",
                    "huge_gAMA_chunk", "huge_hIST_chunk", "huge_iCCP_chunk", "huge_iTXt_chunk",
                    "huge_pCAL_chunk", "huge_pHYs_chunk", "huge_sCAL_chunk", "huge_sPLT_chunk",
                    "huge_sRGB_chunk", "huge_sTER_chunk", "huge_tEXt_chunk", "huge_tIME_chunk",
                    "huge_zTXt_chunk", "huge_juNK_unsafe_to_copy", "huge_juNk_safe_to_copy"}}});
}

}  // namespace
}  // namespace brivel
