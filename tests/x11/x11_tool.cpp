// A small X client for the screen tests and the demo: what xdotool does not do.
//   meq-x11-tool screenshot FILE   the whole screen as a PNG
//   meq-x11-tool close WINDOW      asks a window to close, as a window manager's close
//                                  box does (WM_DELETE_WINDOW)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Shift(unsigned long mask)
{
    int shift = 0;
    while (mask != 0 && ((mask >> shift) & 1u) == 0) {
        ++shift;
    }
    return shift;
}

unsigned char Channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) {
        return 0;
    }
    const int shift = Shift(mask);
    const unsigned long max = mask >> shift;
    return static_cast<unsigned char>(((pixel & mask) >> shift) * 255u / max);
}

int Screenshot(Display* display, const char* path)
{
    const int screen = DefaultScreen(display);
    const ::Window root = RootWindow(display, screen);
    XWindowAttributes attrs{};
    XGetWindowAttributes(display, root, &attrs);
    XImage* image = XGetImage(display, root, 0, 0, static_cast<unsigned>(attrs.width),
                              static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::fprintf(stderr, "meq-x11-tool: cannot read the screen\n");
        return 1;
    }
    std::vector<unsigned char> rows(static_cast<std::size_t>(attrs.width) * static_cast<std::size_t>(attrs.height) * 3);
    for (int y = 0; y < attrs.height; ++y) {
        for (int x = 0; x < attrs.width; ++x) {
            const unsigned long px = XGetPixel(image, x, y);
            unsigned char* out = &rows[(static_cast<std::size_t>(y) * static_cast<std::size_t>(attrs.width) +
                                        static_cast<std::size_t>(x)) * 3];
            out[0] = Channel(px, image->red_mask);
            out[1] = Channel(px, image->green_mask);
            out[2] = Channel(px, image->blue_mask);
        }
    }
    XDestroyImage(image);
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "meq-x11-tool: cannot write %s\n", path);
        return 1;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        std::fprintf(stderr, "meq-x11-tool: cannot write %s\n", path);
        return 1;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(attrs.width), static_cast<png_uint_32>(attrs.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < attrs.height; ++y) {
        png_write_row(png, &rows[static_cast<std::size_t>(y) * static_cast<std::size_t>(attrs.width) * 3]);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 ? 0 : 1;
}

int Close(Display* display, const char* window)
{
    char* end = nullptr;
    const unsigned long id = std::strtoul(window, &end, 0);
    if (end == window || *end != '\0' || id == 0) {
        std::fprintf(stderr, "meq-x11-tool: not a window id: %s\n", window);
        return 2;
    }
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = id;
    ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, id, False, NoEventMask, &ev);
    XSync(display, False);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "screenshot") != 0 && std::strcmp(argv[1], "close") != 0)) {
        std::fprintf(stderr, "usage: meq-x11-tool screenshot FILE | close WINDOW\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "meq-x11-tool: cannot open the display\n");
        return 1;
    }
    const int rc = std::strcmp(argv[1], "screenshot") == 0 ? Screenshot(display, argv[2]) : Close(display, argv[2]);
    XCloseDisplay(display);
    return rc;
}
