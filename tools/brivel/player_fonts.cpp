#include "player_fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <tuple>

#include "maker/player_window.h"

namespace brivel::tool {

namespace {

FT_Library Library(void* library) {
    return static_cast<FT_Library>(library);
}

// The next code point of a UTF-8 text; a byte that starts no sequence stands
// for itself, as Latin-1.
char32_t NextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int extra = 0;
    char32_t code = lead;
    if (lead >= 0xF0) {
        extra = 3;
        code = lead & 0x07;
    } else if (lead >= 0xE0) {
        extra = 2;
        code = lead & 0x0F;
    } else if (lead >= 0xC0) {
        extra = 1;
        code = lead & 0x1F;
    }
    if (at + extra >= text.size()) {
        ++at;
        return lead;
    }
    for (int i = 1; i <= extra; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return lead;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    at += 1 + extra;
    return code;
}

int GetInteger(FcPattern* pattern, const char* object, int fallback) {
    int value = fallback;
    FcPatternGetInteger(pattern, object, 0, &value);
    return value;
}

bool GetBool(FcPattern* pattern, const char* object, bool fallback) {
    FcBool value = fallback ? FcTrue : FcFalse;
    FcPatternGetBool(pattern, object, 0, &value);
    return value != FcFalse;
}

std::string GetString(FcPattern* pattern, const char* object) {
    FcChar8* value = nullptr;
    return FcPatternGetString(pattern, object, 0, &value) == FcResultMatch
               ? std::string(reinterpret_cast<const char*>(value))
               : std::string();
}

// Xft's glyph loading flags for a fontconfig match (its defaults where the
// match says nothing: antialiased, hinted in full, no autohinter).
FT_Int32 XftLoadFlags(FcPattern* match) {
    const bool antialias = GetBool(match, FC_ANTIALIAS, true);
    const bool hinting = GetBool(match, FC_HINTING, true);
    const int hintStyle = GetInteger(match, FC_HINT_STYLE, FC_HINT_FULL);
    const int rgba = GetInteger(match, FC_RGBA, FC_RGBA_UNKNOWN);
    FT_Int32 flags = FT_LOAD_DEFAULT;
    if (antialias && !GetBool(match, FC_EMBEDDED_BITMAP, false)) {
        flags |= FT_LOAD_NO_BITMAP;
    }
    if (!hinting) {
        flags |= FT_LOAD_NO_HINTING;
    }
    if (!antialias) {
        flags |= FT_LOAD_TARGET_MONO;
    } else if (hintStyle > FC_HINT_NONE && hintStyle < FC_HINT_FULL) {
        flags |= FT_LOAD_TARGET_LIGHT;
    } else if (rgba == FC_RGBA_RGB || rgba == FC_RGBA_BGR) {
        flags |= FT_LOAD_TARGET_LCD;
    } else if (rgba == FC_RGBA_VRGB || rgba == FC_RGBA_VBGR) {
        flags |= FT_LOAD_TARGET_LCD_V;
    }
    if (GetBool(match, FC_AUTOHINT, false)) {
        flags |= FT_LOAD_FORCE_AUTOHINT;
    }
    return flags;
}

}  // namespace

struct FreeTypeFonts::Loaded {
    FT_Face face = nullptr;
    FT_Int32 loadFlags = FT_LOAD_DEFAULT;
    bool antialias = true;
    bool embolden = false;  // a bold asked of a family without one
    int ascent = 0;
    int descent = 0;
    std::string name;

    ~Loaded() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
    }

    // The glyph of a code point loaded as Xft loads it; false when FreeType cannot.
    bool LoadGlyph(char32_t code) const {
        const FT_UInt index = FT_Get_Char_Index(face, code);
        if (FT_Load_Glyph(face, index, loadFlags) != 0) {
            return false;
        }
        if (embolden) {
            FT_GlyphSlot_Embolden(face->glyph);
        }
        return true;
    }

    // Xft's advance: FreeType's, rounded to whole pixels.
    int Advance() const { return static_cast<int>((face->glyph->advance.x + 32) >> 6); }
};

std::unique_ptr<FreeTypeFonts> FreeTypeFonts::Open(std::string& error) {
    if (FcInit() == FcFalse) {
        error = "fontconfig cannot read its configuration";
        return nullptr;
    }
    std::unique_ptr<FreeTypeFonts> fonts(new FreeTypeFonts());
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        error = "FreeType cannot start";
        return nullptr;
    }
    fonts->library_ = library;
    if (fonts->Load(kGuiFace) == nullptr) {
        error = "fontconfig finds no font for \"sans\" that FreeType can open";
        return nullptr;
    }
    return fonts;
}

FreeTypeFonts::~FreeTypeFonts() {
    faces_.clear();
    if (library_ != nullptr) {
        FT_Done_FreeType(Library(library_));
    }
    // Fontconfig keeps its configuration until told it is no longer needed.
    FcFini();
}

FreeTypeFonts::Loaded* FreeTypeFonts::Load(const PlayerFace& request) {
    PlayerFace key = request;
    key.underline = false;
    auto found = faces_.find(key);
    if (found != faces_.end()) {
        return found->second.get();
    }
    // The pattern FLTK's Xft font opening builds for FL_HELVETICA and its variants.
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return nullptr;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans"));
    FcPatternAddInteger(pattern, FC_WEIGHT, key.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_MEDIUM);
    FcPatternAddInteger(pattern, FC_SLANT, key.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddDouble(pattern, FC_PIXEL_SIZE, key.pixelSize);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return nullptr;
    }
    auto loaded = std::make_unique<Loaded>();
    const std::string file = GetString(match, FC_FILE);
    const int index = GetInteger(match, FC_INDEX, 0);
    loaded->loadFlags = XftLoadFlags(match);
    loaded->antialias = GetBool(match, FC_ANTIALIAS, true);
    loaded->embolden = GetBool(match, FC_EMBOLDEN, false);
    loaded->name = GetString(match, FC_FAMILY) + " " + GetString(match, FC_STYLE);
    double pixelSize = key.pixelSize;
    FcPatternGetDouble(match, FC_PIXEL_SIZE, 0, &pixelSize);
    // The matrix lives in the match: copied before the match goes.
    FcMatrix* inMatch = nullptr;
    const bool slanted = FcPatternGetMatrix(match, FC_MATRIX, 0, &inMatch) == FcResultMatch;
    const FcMatrix matrix = slanted ? *inMatch : FcMatrix{1, 0, 0, 1};
    FcPatternDestroy(match);

    if (file.empty() || FT_New_Face(Library(library_), file.c_str(), index, &loaded->face) != 0) {
        return nullptr;
    }
    const auto pixels = static_cast<FT_UInt>(std::max(1L, std::lround(pixelSize)));
    if (FT_Set_Pixel_Sizes(loaded->face, 0, pixels) != 0) {
        return nullptr;
    }
    if (slanted) {
        // An italic asked of a family without one: fontconfig's oblique matrix.
        FT_Matrix shear{
            static_cast<FT_Fixed>(matrix.xx * 0x10000), static_cast<FT_Fixed>(matrix.xy * 0x10000),
            static_cast<FT_Fixed>(matrix.yx * 0x10000), static_cast<FT_Fixed>(matrix.yy * 0x10000)};
        FT_Set_Transform(loaded->face, &shear, nullptr);
    }
    // Xft's font ascent and descent: whole pixels of the size's metrics.
    loaded->ascent = static_cast<int>(loaded->face->size->metrics.ascender >> 6);
    loaded->descent = static_cast<int>(-(loaded->face->size->metrics.descender >> 6));
    loaded->name += " " + std::to_string(pixels) + " px";
    return faces_.emplace(key, std::move(loaded)).first->second.get();
}

int FreeTypeFonts::Width(const PlayerFace& face, std::string_view utf8) {
    const Loaded* loaded = Load(face);
    if (loaded == nullptr) {
        return 0;
    }
    int width = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        if (loaded->LoadGlyph(NextCodePoint(utf8, at))) {
            width += loaded->Advance();
        }
    }
    return width;
}

int FreeTypeFonts::Height(const PlayerFace& face) {
    const Loaded* loaded = Load(face);
    return loaded != nullptr ? loaded->ascent + loaded->descent : 0;
}

int FreeTypeFonts::Descent(const PlayerFace& face) {
    const Loaded* loaded = Load(face);
    return loaded != nullptr ? loaded->descent : 0;
}

std::string FreeTypeFonts::Describe(const PlayerFace& face) {
    const Loaded* loaded = Load(face);
    return loaded != nullptr ? loaded->name : std::string("no font");
}

void FreeTypeFonts::Draw(RgbImage& canvas, const ClipRect& clip, const PlayerFace& face, int x,
                         int y, std::string_view utf8, Rgb colour) {
    const Loaded* loaded = Load(face);
    if (loaded == nullptr) {
        return;
    }
    const int left = std::max(clip.x, 0);
    const int top = std::max(clip.y, 0);
    const int right = std::min(clip.x + clip.w, canvas.width);
    const int bottom = std::min(clip.y + clip.h, canvas.height);
    const std::uint8_t ink[3] = {colour.red, colour.green, colour.blue};
    int pen = x;
    for (std::size_t at = 0; at < utf8.size();) {
        if (!loaded->LoadGlyph(NextCodePoint(utf8, at))) {
            continue;
        }
        FT_GlyphSlot slot = loaded->face->glyph;
        if (FT_Render_Glyph(slot,
                            loaded->antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) == 0) {
            const FT_Bitmap& bitmap = slot->bitmap;
            const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
            for (unsigned row = 0; row < bitmap.rows; ++row) {
                const int py = y - slot->bitmap_top + static_cast<int>(row);
                if (py < top || py >= bottom) {
                    continue;
                }
                const unsigned char* line = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
                for (unsigned column = 0; column < bitmap.width; ++column) {
                    const int px = pen + slot->bitmap_left + static_cast<int>(column);
                    if (px < left || px >= right) {
                        continue;
                    }
                    const int alpha =
                        mono ? ((line[column / 8] >> (7 - column % 8)) & 1) * 255 : line[column];
                    std::uint8_t* pixel =
                        &canvas.pixels[(static_cast<std::size_t>(py) * canvas.width + px) * 3];
                    for (int c = 0; c < 3; ++c) {
                        pixel[c] = static_cast<std::uint8_t>(
                            (ink[c] * alpha + pixel[c] * (255 - alpha) + 127) / 255);
                    }
                }
            }
        }
        pen += loaded->Advance();
    }
}

FreeTypeFonts* FreeTypeFonts::ForCommand(const char* command) {
    static std::unique_ptr<FreeTypeFonts> fonts;
    static bool tried = false;
    if (!tried) {
        tried = true;
        std::string error;
        fonts = Open(error);
        if (!fonts) {
            std::fprintf(stderr, "brivel %s: the Linux player's fonts cannot be opened (%s)\n",
                         command, error.c_str());
        }
    }
    return fonts.get();
}

FitCheck ToolFitCheck(const char* command) {
    FreeTypeFonts* fonts = FreeTypeFonts::ForCommand(command);
    if (fonts == nullptr) {
        std::fprintf(stderr, "brivel %s: header texts not measured\n", command);
        return nullptr;
    }
    return PlayerFitCheck(*fonts);
}

}  // namespace brivel::tool
