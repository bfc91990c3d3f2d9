#include "tests/robot/robot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace setupkit::robot {
namespace {

constexpr DWORD kPollMs = 50;
// The exit code the robot gives a program it had to end.
constexpr UINT kEndedByRobot = 0xDEAD;

// The current environment block with some variables replaced or added.
std::string EnvironmentBlock(const std::map<std::string, std::string>& overrides) {
    std::map<std::string, std::string> variables;
    char* strings = ::GetEnvironmentStringsA();
    for (const char* p = strings; *p; p += std::strlen(p) + 1) {
        const std::string entry(p);
        const auto equals = entry.find('=', 1);
        if (equals != std::string::npos)
            variables[entry.substr(0, equals)] = entry.substr(equals + 1);
    }
    ::FreeEnvironmentStringsA(strings);
    for (const auto& [name, value] : overrides)
        variables[name] = value;
    std::string block;
    for (const auto& [name, value] : variables)
        block += name + "=" + value + '\0';
    return block + '\0';
}

struct Search {
    DWORD processId;
    HWND skip;
    const std::vector<HWND>* leftAlone;
    const std::vector<std::string>* ignoredCaptions;
    const std::string* caption;
    HWND found = nullptr;
};

std::string CaptionOf(HWND hwnd) {
    char buffer[1024] = {};
    ::GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

// Under load a program can stall for seconds while it sets up its first
// box (seen on a loaded 2-core machine: the box visible, its caption, text
// and button labels not yet there). The robot gives a window this long to
// fill in; only a window that never does waits the whole time.
constexpr DWORD kSettleMs = 10000;

// Every window the programs show has a caption and labelled buttons.
bool FilledIn(const Window& window) {
    const std::vector<std::string> buttons = window.ButtonTexts();
    return !window.Caption().empty() &&
           std::none_of(buttons.begin(), buttons.end(),
                        [](const std::string& text) { return text.empty(); });
}

// Top-level windows come in z-order, so the first match is the one in front.
BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search.processId || hwnd == search.skip || !::IsWindowVisible(hwnd) ||
        !::IsWindowEnabled(hwnd))
        return TRUE;
    if (std::find(search.leftAlone->begin(), search.leftAlone->end(), hwnd) !=
        search.leftAlone->end())
        return TRUE;
    const std::string caption = CaptionOf(hwnd);
    if (std::find(search.ignoredCaptions->begin(), search.ignoredCaptions->end(), caption) !=
        search.ignoredCaptions->end())
        return TRUE;
    if (search.caption && caption != *search.caption)
        return TRUE;
    search.found = hwnd;
    return FALSE;
}

} // namespace

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + static_cast<char>(c);
        else if (c < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    return out + "\"";
}

Robot::Robot() : reporter_([](const std::string& message) { ADD_FAILURE() << message; }) {}

Robot::Robot(FailureReporter reporter) : reporter_(std::move(reporter)) {}

Robot::~Robot() {
    if (Running())
        End();
}

bool Robot::Start(const std::string& exe, const std::string& workFolder,
                  const std::map<std::string, std::string>& environment, Console console) {
    return StartCommand("\"" + exe + "\"", workFolder, environment, console);
}

bool Robot::StartCommand(const std::string& commandLine, const std::string& workFolder,
                         const std::map<std::string, std::string>& environment, Console console) {
    std::string command = commandLine;
    std::string block = EnvironmentBlock(environment);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const DWORD flags = console == Console::None ? DETACHED_PROCESS : 0;
    Note("start " + commandLine + " in " + workFolder);
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, flags, block.data(),
                          workFolder.empty() ? nullptr : workFolder.c_str(), &startup, &info)) {
        Fail("cannot start " + commandLine + " (error " + std::to_string(::GetLastError()) + ")");
        return false;
    }
    UniqueHandle thread(info.hThread);
    process_.Reset(info.hProcess);
    processId_ = info.dwProcessId;
    lastAnswered_ = nullptr;
    leftAlone_.clear();
    return true;
}

bool Robot::Running() const {
    return process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

void Robot::IgnoreCaption(const std::string& caption) {
    ignoredCaptions_.push_back(caption);
}

void Robot::Note(const std::string& line) {
    transcript_ += line + "\n";
}

HWND Robot::FindNewWindow(const std::string* caption) const {
    // A window that was just answered may live on for a moment while it closes.
    Search search{processId_, ::IsWindow(lastAnswered_) ? lastAnswered_ : nullptr, &leftAlone_,
                  &ignoredCaptions_, caption};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A program still busy setting up its window, or answering no WM_GETTEXT,
// shows it half filled in: the window is read again until it is whole.
Window Robot::Take(HWND hwnd) {
    Window window;
    window.robot_ = this;
    window.hwnd_ = hwnd;
    const DWORD start = ::GetTickCount();
    window.Read();
    while (!FilledIn(window) && ::IsWindow(hwnd) && ::GetTickCount() - start < kSettleMs) {
        ::Sleep(kPollMs);
        window.Read();
    }
    Note(window.Describe());
    return window;
}

Window Robot::WaitWindow(DWORD timeoutMs) {
    return Wait(nullptr, true, timeoutMs);
}

Window Robot::WaitWindowOrExit(DWORD timeoutMs) {
    return Wait(nullptr, false, timeoutMs);
}

Window Robot::WaitWindowWithCaption(const std::string& caption, DWORD timeoutMs) {
    return Wait(&caption, true, timeoutMs);
}

Window Robot::Wait(const std::string* caption, bool exitIsFailure, DWORD timeoutMs) {
    if (!process_) {
        Fail("no program was started");
        return Window();
    }
    const std::string what = caption ? "the window " + Quote(*caption) : "a window";
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (const HWND hwnd = FindNewWindow(caption)) {
            return Take(hwnd);
        }
        if (!Running()) {
            if (exitIsFailure) {
                Note("program ended while " + what + " was awaited");
                Fail("the program ended instead of showing " + what);
            }
            return Window();
        }
        if (::GetTickCount() - start >= timeoutMs)
            break;
        ::Sleep(kPollMs);
    }
    Note("no window came within " + std::to_string(timeoutMs) + " ms");
    Fail(what + " did not come");
    End();
    return Window();
}

DWORD Robot::WaitExit(DWORD timeoutMs) {
    if (!process_) {
        Fail("no program was started");
        return STILL_ACTIVE;
    }
    if (::WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) {
        Note("still running after " + std::to_string(timeoutMs) + " ms");
        Fail("the program did not end");
        End();
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_.Get(), &code);
    Note("exit code " + std::to_string(code));
    return code;
}

void Robot::ExpectNoMoreWindows(DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (Running()) {
        if (const HWND hwnd = FindNewWindow(nullptr)) {
            Take(hwnd);
            Fail("the program showed a window that was not expected");
            End();
            return;
        }
        if (::GetTickCount() - start >= timeoutMs) {
            Fail("the program did not end");
            End();
            return;
        }
        ::Sleep(kPollMs);
    }
}

void Robot::Fail(const std::string& message) {
    reporter_(message + "\nTranscript:\n" + transcript_);
}

void Robot::End() {
    if (!Running())
        return;
    Note("program ended by the robot");
    ::TerminateProcess(process_.Get(), kEndedByRobot);
    ::WaitForSingleObject(process_.Get(), 5000);
}

} // namespace setupkit::robot
