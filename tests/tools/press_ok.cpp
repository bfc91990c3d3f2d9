// The install benchmark's user: starts a program, presses OK in each window
// of its first thread that offers an enabled OK button as soon as it shows,
// and prints the seconds from the start to the program's end. It looks every
// few milliseconds, so that the answers are not what is measured.
//   press_ok [--none] PROGRAM [ARGUMENTS...]
// With --none nothing is pressed (an installer that asks nothing is timed the
// same way). The exit status is the program's, 2 when it could not start.
#include "lib/win32.h"

#include <cstdio>
#include <set>
#include <string>

namespace {

constexpr DWORD kLookMs = 5;

BOOL CALLBACK PressOkOf(HWND window, LPARAM context) {
    auto& pressed = *reinterpret_cast<std::set<HWND>*>(context);
    if (!::IsWindowVisible(window) || pressed.count(window))
        return TRUE;
    const HWND ok = ::GetDlgItem(window, IDOK);
    if (ok && ::IsWindowEnabled(ok)) {
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(ok));
        pressed.insert(window);
    }
    return TRUE;
}

// A window handle may come back for a later window once the first is gone.
void ForgetClosed(std::set<HWND>& pressed) {
    for (auto it = pressed.begin(); it != pressed.end();)
        it = ::IsWindow(*it) ? std::next(it) : pressed.erase(it);
}

std::string Quoted(const char* argument) {
    return std::string("\"") + argument + "\"";
}

} // namespace

int main(int argc, char** argv) {
    const bool answer = argc > 1 && std::string(argv[1]) != "--none";
    const int first = answer ? 1 : 2;
    if (argc <= first) {
        std::fprintf(stderr, "usage: press_ok [--none] PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    std::string command = Quoted(argv[first]);
    for (int i = first + 1; i < argc; ++i)
        command += " " + std::string(argv[i]);

    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        std::fprintf(stderr, "press_ok: cannot start %s\n", argv[first]);
        return 2;
    }
    const setupkit::UniqueHandle process(info.hProcess);
    const setupkit::UniqueHandle thread(info.hThread);
    std::set<HWND> pressed;
    // Each look at a window is a round trip to the Wine server, on which the
    // program waits too: only its first thread's windows are looked at, and
    // a look with none shown is a single request.
    while (::WaitForSingleObject(process.Get(), answer ? kLookMs : INFINITE) == WAIT_TIMEOUT) {
        ForgetClosed(pressed);
        ::EnumThreadWindows(info.dwThreadId, PressOkOf, reinterpret_cast<LPARAM>(&pressed));
    }
    ::QueryPerformanceCounter(&end);
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    std::printf("%.3f\n", static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
    return static_cast<int>(code);
}
