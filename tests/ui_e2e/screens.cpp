// Shows the setup's dialogs one after another as a user meets them and saves
// a picture of each (destination.bmp, browser.bmp, progress.bmp) in the
// folder named on the command line. scripts/screenshots.sh runs it.
#include "ui/progress_dialog.h"
#include "ui/select_dir_dialog.h"

#include <commctrl.h>
#include <objbase.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <thread>

namespace {

using setupkit::TProgressDialog;
using setupkit::TSelectDirDialog;

// What the screen shows inside the window's rectangle, as a 24-bit BMP file.
void SaveWindowPicture(HWND window, const std::string& path) {
    RECT rect;
    ::GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::string pixels(static_cast<std::size_t>(stride) * height, '\0');
    ::GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

struct DialogSearch {
    HWND except;
    HWND found;
};

BOOL CALLBACK MatchOtherDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (window == search->except || !::IsWindowVisible(window) || std::string(name) != "#32770")
        return TRUE;
    search->found = window;
    return FALSE;
}

// The dialog of `thread` that is not `except`, once it shows.
HWND WaitForOtherDialog(DWORD thread, HWND except) {
    DialogSearch search{except, nullptr};
    for (int i = 0; i < 500 && !search.found; ++i) {
        ::Sleep(20);
        ::EnumThreadWindows(thread, MatchOtherDialog, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

// Lets the windows paint before a picture is taken.
constexpr DWORD kPaintMs = 800;

void LeaveDialog(HWND dialog) {
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ::PostMessageA(dialog, WM_NULL, 0, 0);
}

void ShowDestination(const std::string& folder) {
    TSelectDirDialog dialog;
    dialog.SetDirectory("C:\\Program Files\\Sample Components\\");
    const HWND window = dialog.Handle;
    std::thread camera([=] {
        ::Sleep(kPaintMs);
        SaveWindowPicture(window, folder + "\\destination.bmp");
        LeaveDialog(window);
    });
    dialog.Execute();
    camera.join();
}

void ShowBrowser(const std::string& folder) {
    TSelectDirDialog dialog;
    dialog.SetDirectory("C:\\windows\\");
    const HWND window = dialog.Handle;
    const DWORD thread = ::GetCurrentThreadId();
    std::thread camera([=] {
        if (const HWND browser = WaitForOtherDialog(thread, window)) {
            ::Sleep(kPaintMs);
            SaveWindowPicture(browser, folder + "\\browser.bmp");
            ::PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
        }
        ::Sleep(kPaintMs);
        LeaveDialog(window);
    });
    ::PostMessageA(window, WM_COMMAND, setupkit::kBrowseButtonId, 0);
    dialog.Execute();
    camera.join();
}

// As the payload step leaves it: no message loop runs while it is up.
void ShowProgress(const std::string& folder) {
    TProgressDialog dialog;
    dialog.SetStatusText("Starting setup. Please wait...");
    dialog.SetRange(1000);
    dialog.SetStatusText("Source\\Grids\\SampleGrid.pas");
    dialog.SetPosition(620);
    dialog.ShowLatest();
    ::Sleep(kPaintMs);
    SaveWindowPicture(dialog.Handle, folder + "\\progress.bmp");
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    ::InitCommonControls();
    ::CoInitialize(nullptr);
    const std::string folder = commandLine;
    ShowDestination(folder);
    ShowBrowser(folder);
    ShowProgress(folder);
    ::CoUninitialize();
    return 0;
}
