#include "tests/robot/icon.h"

#include <utility>

namespace setupkit::robot {
namespace {

using Pixels = std::vector<DWORD>;

// A memory device context holding one bitmap of a given size.
class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height) {
        const HDC screen = ::GetDC(nullptr);
        dc_ = ::CreateCompatibleDC(screen);
        bitmap_ = ::CreateCompatibleBitmap(screen, width, height);
        ::ReleaseDC(nullptr, screen);
        old_ = ::SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        ::SelectObject(dc_, old_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_; }
    Pixels Read() const {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        Pixels pixels(static_cast<size_t>(width_) * height_);
        ::GetDIBits(dc_, bitmap_, 0, height_, pixels.data(), &info, DIB_RGB_COLORS);
        for (DWORD& pixel : pixels)
            pixel &= 0xFFFFFF;
        return pixels;
    }

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

Pixels CaptureScreen(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    Canvas canvas(width, height);
    const HDC screen = ::GetDC(nullptr);
    ::BitBlt(canvas.Dc(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::ReleaseDC(nullptr, screen);
    return canvas.Read();
}

// The system icon drawn at the size of the control over its background colour.
Pixels DrawSystemIcon(LPCSTR id, int width, int height, DWORD background) {
    Canvas canvas(width, height);
    const HBRUSH brush = ::CreateSolidBrush(background);
    const RECT all{0, 0, width, height};
    ::FillRect(canvas.Dc(), &all, brush);
    ::DeleteObject(brush);
    ::DrawIconEx(canvas.Dc(), 0, 0, ::LoadIconA(nullptr, id), width, height, 0, nullptr, DI_NORMAL);
    return canvas.Read();
}

size_t CountDifferences(const Pixels& a, const Pixels& b) {
    size_t count = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        count += a[i] != b[i];
    return count;
}

// Screen pixels are 0x00RRGGBB, COLORREF is 0x00BBGGRR.
DWORD ToColorRef(DWORD pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

Icon Classify(const Pixels& shown, int width, int height) {
    const std::pair<Icon, LPCSTR> candidates[] = {{Icon::Information, IDI_ASTERISK},
                                                  {Icon::Exclamation, IDI_EXCLAMATION},
                                                  {Icon::Stop, IDI_HAND},
                                                  {Icon::Question, IDI_QUESTION}};
    const DWORD background = ToColorRef(shown.front());
    Icon best = Icon::Unknown;
    size_t bestCount = shown.size() / 50 + 1;
    for (const auto& [icon, id] : candidates) {
        const size_t count = CountDifferences(shown, DrawSystemIcon(id, width, height, background));
        if (count < bestCount) {
            best = icon;
            bestCount = count;
        }
    }
    return best;
}

BOOL CALLBACK FindIconControl(HWND hwnd, LPARAM param) {
    char className[32] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    if (::lstrcmpiA(className, "Static") != 0 || !::IsWindowVisible(hwnd) ||
        !IsIconStatic(static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE))))
        return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

} // namespace

bool IsIconStatic(DWORD style) {
    return (style & SS_TYPEMASK) == SS_ICON;
}

Icon RecognizeIcon(HWND window) {
    HWND control = nullptr;
    ::EnumChildWindows(window, FindIconControl, reinterpret_cast<LPARAM>(&control));
    DWORD_PTR shown = 0;
    if (!control ||
        !::SendMessageTimeoutA(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &shown) ||
        !shown)
        return Icon::None;
    RECT rect{};
    ::GetWindowRect(control, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0 || width > 256 || height > 256)
        return Icon::Unknown;
    // The window may not be painted yet, or another window may cover it for a
    // moment (tests run side by side on one display): look again for a while.
    Icon icon = Icon::Unknown;
    for (int attempt = 0; attempt < 20 && icon == Icon::Unknown; ++attempt) {
        if (attempt > 0)
            ::Sleep(50);
        ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        icon = Classify(CaptureScreen(rect), width, height);
    }
    return icon;
}

const char* IconName(Icon icon) {
    switch (icon) {
    case Icon::None:
        return "none";
    case Icon::Information:
        return "information";
    case Icon::Exclamation:
        return "exclamation";
    case Icon::Stop:
        return "stop";
    case Icon::Question:
        return "question";
    case Icon::Unknown:
        break;
    }
    return "unknown";
}

} // namespace setupkit::robot
