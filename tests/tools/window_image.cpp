#include "tests/tools/window_image.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace setupkit::tools {
namespace {

struct ScreenDc {
    HDC dc = ::GetDC(nullptr);
    ~ScreenDc() { ::ReleaseDC(nullptr, dc); }
};

struct MemoryDc {
    HDC dc;
    explicit MemoryDc(HDC like) : dc(::CreateCompatibleDC(like)) {}
    ~MemoryDc() { ::DeleteDC(dc); }
};

struct Bitmap {
    HBITMAP bitmap;
    Bitmap(HDC like, int width, int height)
        : bitmap(::CreateCompatibleBitmap(like, width, height)) {}
    ~Bitmap() { ::DeleteObject(bitmap); }
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Rows of a 24-bit bottom-up DIB are padded to four bytes.
int RowBytes(int width) {
    return (width * 3 + 3) & ~3;
}

bool WriteBmp(const std::string& path, int width, int height, const std::vector<BYTE>& pixels) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    const bool written = std::fwrite(&header, sizeof header, 1, file.get()) == 1 &&
                         std::fwrite(&info, sizeof info, 1, file.get()) == 1 &&
                         std::fwrite(pixels.data(), pixels.size(), 1, file.get()) == 1;
    return written && std::fflush(file.get()) == 0;
}

} // namespace

bool SaveWindowImage(HWND window, const std::string& bmpPath) {
    RECT frame;
    if (!::IsWindow(window) || !::GetWindowRect(window, &frame))
        return false;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0)
        return false;
    const ScreenDc screen;
    const MemoryDc memory(screen.dc);
    const Bitmap bitmap(screen.dc, width, height);
    const HGDIOBJ previous = ::SelectObject(memory.dc, bitmap.bitmap);
    const BOOL copied =
        ::BitBlt(memory.dc, 0, 0, width, height, screen.dc, frame.left, frame.top, SRCCOPY);
    ::SelectObject(memory.dc, previous);
    if (!copied)
        return false;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> pixels(static_cast<size_t>(RowBytes(width)) * height);
    if (::GetDIBits(memory.dc, bitmap.bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS) !=
        height)
        return false;
    return WriteBmp(bmpPath, width, height, pixels);
}

} // namespace setupkit::tools
