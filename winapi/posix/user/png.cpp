// PNG files of surfaces, through libpng: 8-bit RGB, no interlace.
#include "surface.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace winapi_posix::user {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// libpng reports errors through a longjmp; the writer keeps no C++ objects alive across it.
bool WriteRows(std::FILE* file, const Surface& s, png_bytep* rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePng(const Surface& s, const std::string& path)
{
    if (s.width <= 0 || s.height <= 0 || path.empty()) {
        return false;
    }
    std::vector<png_byte> data(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height) * 3);
    std::vector<png_bytep> rows(static_cast<std::size_t>(s.height));
    for (int y = 0; y < s.height; ++y) {
        png_bytep row = data.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width) * 3;
        rows[static_cast<std::size_t>(y)] = row;
        for (int x = 0; x < s.width; ++x) {
            const COLORREF c = s.At(x, y);
            row[x * 3] = GetRValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetBValue(c);
        }
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return false;
    }
    const bool written = WriteRows(file.get(), s, rows.data());
    return written && std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
}

}  // namespace winapi_posix::user
