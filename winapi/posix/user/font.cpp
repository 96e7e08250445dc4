// The stand-in's one font: DejaVu Sans through FreeType, at a pixel size whose line
// height suits the 20-pixel rows of the tool's windows. Its metrics answer for the system
// font and for every other font; texts are code page 1250 bytes and are converted to
// Unicode only here, where glyphs are looked up. Without the font file the metrics fall
// back to a fixed set and texts draw as outlined boxes, so nothing above depends on it.
#include "surface.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cstdlib>

namespace winapi_posix::user {
namespace {

constexpr int PIXEL_SIZE = 12;
constexpr const char* REGULAR_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* BOLD_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Code page 1250, bytes 0x80 to 0xFF; 0 where the code page has no character.
constexpr std::array<char16_t, 128> CP1250_HIGH = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// One rendered glyph: an 8-bit coverage bitmap and where it sits against the pen.
struct Glyph {
    int left = 0;  // from the pen to the bitmap's first column
    int top = 0;   // from the baseline up to the bitmap's first row
    int width = 0;
    int rows = 0;
    int advance = 0;
    std::vector<unsigned char> coverage;
};

struct Face {
    FT_Face face = nullptr;
    int height = 16;
    int ascent = 13;
    int aveWidth = 8;
    int maxWidth = 12;
    std::array<Glyph, 256> glyphs{};  // by code page 1250 byte
    std::array<bool, 256> missing{};  // no real glyph in the font: drawn as the notdef box
};

struct Fonts {
    FT_Library library = nullptr;
    Face regular;
    Face bold;
};

Glyph Render(FT_Face face, FT_UInt index)
{
    Glyph g;
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0 ||
        FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) {
        return g;
    }
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(bitmap.width);
    g.rows = static_cast<int>(bitmap.rows);
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.coverage.resize(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.rows));
    for (int y = 0; y < g.rows; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        std::copy(row, row + g.width, g.coverage.begin() + static_cast<std::ptrdiff_t>(y) * g.width);
    }
    return g;
}

bool Load(FT_Library library, const char* path, Face& f)
{
    if (library == nullptr || FT_New_Face(library, path, 0, &f.face) != 0) {
        f.face = nullptr;
        return false;
    }
    if (FT_Set_Pixel_Sizes(f.face, 0, PIXEL_SIZE) != 0) {
        FT_Done_Face(f.face);
        f.face = nullptr;
        return false;
    }
    const FT_Size_Metrics& m = f.face->size->metrics;
    f.ascent = static_cast<int>((m.ascender + 63) >> 6);
    f.height = f.ascent + static_cast<int>((-m.descender + 63) >> 6);
    const FT_UInt notdef = 0;
    for (int c = 0; c < 256; ++c) {
        const char16_t unicode = Cp1250ToUnicode(static_cast<unsigned char>(c));
        FT_UInt index = unicode == 0 ? notdef : FT_Get_Char_Index(f.face, unicode);
        f.missing[static_cast<std::size_t>(c)] = index == notdef && c >= 0x20;
        if (c < 0x20) {
            continue;  // control characters take no room
        }
        f.glyphs[static_cast<std::size_t>(c)] = Render(f.face, index);
    }
    // The average width the way the dialog manager takes it: over the letters of the alphabet.
    int letters = 0;
    int maxWidth = 0;
    for (int c = 0; c < 256; ++c) {
        const int advance = f.glyphs[static_cast<std::size_t>(c)].advance;
        maxWidth = std::max(maxWidth, advance);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            letters += advance;
        }
    }
    f.aveWidth = (letters + 26) / 52;
    f.maxWidth = maxWidth;
    return true;
}

// The fixed metrics of a stand-in without the font file.
void Fallback(Face& f)
{
    f.height = 16;
    f.ascent = 13;
    f.aveWidth = 8;
    f.maxWidth = 12;
    for (int c = 0x20; c < 256; ++c) {
        Glyph& g = f.glyphs[static_cast<std::size_t>(c)];
        g.advance = c == ' ' ? 5 : f.aveWidth;
        f.missing[static_cast<std::size_t>(c)] = c != ' ';
    }
}

Fonts& TheFonts()
{
    static Fonts* fonts = [] {
        auto* f = new Fonts;
        if (FT_Init_FreeType(&f->library) != 0) {
            f->library = nullptr;
        }
        const char* regular = std::getenv("MEQ_FONT_FILE");
        if (regular == nullptr || *regular == '\0') {
            regular = REGULAR_FILE;
        }
        if (!Load(f->library, regular, f->regular)) {
            Fallback(f->regular);
        }
        if (!Load(f->library, BOLD_FILE, f->bold)) {
            f->bold = f->regular;
            f->bold.face = nullptr;
        }
        return f;
    }();
    return *fonts;
}

const Face& FaceOf(bool bold)
{
    return bold ? TheFonts().bold : TheFonts().regular;
}

void Blend(Surface& s, int x, int y, COLORREF color, unsigned alpha, const RECT& clip)
{
    if (alpha == 0 || x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) {
        return;
    }
    const COLORREF under = s.At(x, y);
    auto mix = [alpha](unsigned fg, unsigned bg) { return (fg * alpha + bg * (255 - alpha) + 127) / 255; };
    s.Put(x, y,
          RGB(mix(GetRValue(color), GetRValue(under)), mix(GetGValue(color), GetGValue(under)),
              mix(GetBValue(color), GetBValue(under))),
          clip);
}

}  // namespace

char16_t Cp1250ToUnicode(unsigned char c)
{
    return c < 0x80 ? static_cast<char16_t>(c) : CP1250_HIGH[static_cast<std::size_t>(c - 0x80)];
}

bool FontLoaded()
{
    return TheFonts().regular.face != nullptr;
}

int FontHeight()
{
    return TheFonts().regular.height;
}

int FontAscent()
{
    return TheFonts().regular.ascent;
}

int FontAveWidth()
{
    return TheFonts().regular.aveWidth;
}

int FontMaxWidth()
{
    return TheFonts().regular.maxWidth;
}

int CharWidth(unsigned char c)
{
    return c < 0x20 ? 0 : TheFonts().regular.glyphs[c].advance;
}

int TextWidth(std::string_view text)
{
    int width = 0;
    for (const char c : text) {
        width += CharWidth(static_cast<unsigned char>(c));
    }
    return width;
}

bool HasGlyph(unsigned char c)
{
    return c >= 0x20 && !TheFonts().regular.missing[c];
}

int DrawTextLine(Surface& s, int x, int baseline, std::string_view text, COLORREF color, const RECT& clip,
                 bool bold)
{
    const Face& f = FaceOf(bold);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20) {
            continue;
        }
        const Glyph& g = f.glyphs[c];
        if (f.face == nullptr && c != ' ') {
            // No font: an outlined box per character keeps the layout visible.
            const RECT box{x + 1, baseline - f.ascent + 3, x + g.advance - 1, baseline};
            s.Frame(box, color, clip);
        }
        for (int row = 0; row < g.rows; ++row) {
            for (int col = 0; col < g.width; ++col) {
                const unsigned alpha = g.coverage[static_cast<std::size_t>(row * g.width + col)];
                Blend(s, x + g.left + col, baseline - g.top + row, color, alpha, clip);
            }
        }
        x += g.advance;
    }
    return x;
}

int BoldTextWidth(std::string_view text)
{
    const Face& f = FaceOf(true);
    int width = 0;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        width += u < 0x20 ? 0 : f.glyphs[u].advance;
    }
    return width;
}

}  // namespace winapi_posix::user
