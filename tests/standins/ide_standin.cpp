// Stands in for the IDE's main program: carries the file version the build
// gives it (see version.rc) and, while it runs, shows top-level windows of the
// classes named on its command line, as the IDE's palette, inspector and main
// window would. It ends when any of them is closed, or after a minute so that
// a test that forgets it leaves nothing running.
#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr UINT_PTR kLifetimeTimer = 1;
constexpr UINT kLifetimeMs = 60000;

LRESULT CALLBACK StandinProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

std::vector<std::string> ClassNames(const char* commandLine) {
    std::vector<std::string> names;
    std::string current;
    for (const char* p = commandLine; *p; ++p) {
        if (*p == ' ') {
            if (!current.empty())
                names.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    if (!current.empty())
        names.push_back(current);
    return names;
}

HWND OpenWindow(HINSTANCE instance, const std::string& className) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StandinProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className.c_str();
    RegisterClassA(&windowClass);
    return CreateWindowA(className.c_str(), className.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                         nullptr, nullptr, instance, nullptr);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    std::vector<HWND> windows;
    for (const std::string& name : ClassNames(commandLine))
        windows.push_back(OpenWindow(instance, name));
    if (windows.empty())
        return 0;
    SetTimer(windows.front(), kLifetimeTimer, kLifetimeMs, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    for (HWND window : windows)
        DestroyWindow(window);
    return 0;
}
