// A window with an edit box (id 100) and OK and Cancel buttons, for the
// robot's own tests.
//   edit_window OUTPUT_FILE
// OK writes the edit box's text to OUTPUT_FILE and ends with 1; Cancel,
// Escape and the Close box end with 2 and write nothing.
#include "lib/win32.h"

#include <string>

namespace {

constexpr int kEditId = 100;
std::string outputPath;

void SaveText(HWND window) {
    char text[1024] = {};
    ::GetDlgItemTextA(window, kEditId, text, sizeof text);
    setupkit::UniqueHandle file(::CreateFileA(outputPath.c_str(), GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(file.Get(), text, static_cast<DWORD>(::lstrlenA(text)), &written, nullptr);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            SaveText(window);
            ::PostQuitMessage(IDOK);
        } else if (LOWORD(wParam) == IDCANCEL) {
            ::PostQuitMessage(IDCANCEL);
        }
        return 0;
    case WM_CLOSE:
        ::PostQuitMessage(IDCANCEL);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

void AddChild(HWND parent, const char* className, const char* text, DWORD style, int y, int id) {
    ::CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 10, y, 200,
                      24, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr,
                      nullptr);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 3;
    outputPath = argv[1];
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "RobotEditWindow";
    ::RegisterClassA(&windowClass);
    setupkit::UniqueWindow window(::CreateWindowExA(
        0, "RobotEditWindow", "Type here", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 100, 100, 240,
        160, nullptr, nullptr, nullptr, nullptr));
    ::CreateWindowExA(0, "Static", "Folder:", WS_CHILD | WS_VISIBLE, 10, 4, 200, 16, window.Get(),
                      nullptr, nullptr, nullptr);
    AddChild(window.Get(), "Edit", "start", WS_BORDER | ES_AUTOHSCROLL, 24, kEditId);
    AddChild(window.Get(), "Button", "OK", BS_DEFPUSHBUTTON, 56, IDOK);
    AddChild(window.Get(), "Button", "Cancel", BS_PUSHBUTTON, 88, IDCANCEL);
    ::ShowWindow(window.Get(), SW_SHOW);
    ::SetFocus(::GetDlgItem(window.Get(), kEditId));

    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (::IsDialogMessageA(window.Get(), &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
