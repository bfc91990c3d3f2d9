#pragma once
// A scripted user for end-to-end tests under Wine.
//
// The robot starts one program, waits for each top-level window the program
// shows (message boxes, the setup's dialogs, the shell's folder browser),
// reads what a user would see, appends it to a transcript and answers as the
// test script says. Waiting is by polling with a time-out: a window that does
// not come, or a program that does not end, is reported as a failure with the
// transcript, and the program is ended so that the test never hangs.
//
//     Robot robot;
//     robot.Start(setupExe, workFolder);
//     Window box = robot.WaitWindow();
//     EXPECT_EQ(box.Caption(), "Welcome!");
//     box.Press(IDCANCEL);
//     EXPECT_EQ(robot.WaitExit(), 0u);
//
// Failures go to GoogleTest by default; another reporter can be given (the
// main job prints them instead).
#include "lib/win32.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace setupkit::robot {

constexpr DWORD kDefaultTimeoutMs = 15000;

// The standard icons a box can show, recognised by how they look.
enum class Icon { None, Information, Exclamation, Stop, Question, Unknown };
const char* IconName(Icon icon);

struct Control {
    std::string className;
    int id = 0;
    std::string text;
    DWORD style = 0;
};

class Robot;

// Whether a started program shares the test's console or, as a program
// started from the desktop or a file manager, has none.
enum class Console { Inherit, None };

// What the robot saw of one top-level window, read once when it came, and the
// answers it can give. A default-constructed Window stands for one that never
// came: it is not Valid() and its answers do nothing.
class Window {
  public:
    Window() = default;

    bool Valid() const { return hwnd_ != nullptr; }
    HWND Handle() const { return hwnd_; }
    const std::string& ClassName() const { return className_; }
    const std::string& Caption() const { return caption_; }
    // The text of a message box; for other windows the first non-empty static text.
    const std::string& Text() const { return text_; }
    Icon GetIcon() const { return icon_; }
    // Every child control in creation order.
    const std::vector<Control>& Controls() const { return controls_; }
    // Texts and ids of the push buttons, in creation order.
    std::vector<std::string> ButtonTexts() const;
    std::vector<int> ButtonIds() const;
    // The current text of a control, read afresh; empty when there is no such control.
    std::string ItemText(int id) const;

    // Answers. Each is noted in the transcript.
    void Press(int id);                                // the button with that id, as a click would
    void PressEscape();                                // the Escape key
    void Close();                                      // the Close box of the title bar
    void SetItemText(int id, const std::string& text); // typing into an edit box
    // No answer: the robot no longer waits for this window (a progress window, say).
    void LeaveAlone();

  private:
    friend class Robot;
    void Read();
    std::string Describe() const;
    void Answered(const std::string& what);

    Robot* robot_ = nullptr;
    HWND hwnd_ = nullptr;
    std::string className_;
    std::string caption_;
    std::string text_;
    Icon icon_ = Icon::None;
    std::vector<Control> controls_;
};

class Robot {
  public:
    using FailureReporter = std::function<void(const std::string& message)>;

    // Failures are reported to GoogleTest as non-fatal failures of the running test.
    Robot();
    explicit Robot(FailureReporter reporter);
    // Ends the program if it still runs.
    ~Robot();
    Robot(const Robot&) = delete;
    Robot& operator=(const Robot&) = delete;

    // Starts `exe` with `workFolder` as its current folder; `environment`
    // overrides single variables (for example TEMP and TMP). False, with a
    // failure reported, when the program cannot be started.
    bool Start(const std::string& exe, const std::string& workFolder,
               const std::map<std::string, std::string>& environment = {},
               Console console = Console::Inherit);
    // Same, with a command line of its own ("exe" args...).
    bool StartCommand(const std::string& commandLine, const std::string& workFolder,
                      const std::map<std::string, std::string>& environment = {},
                      Console console = Console::Inherit);

    // The next visible, enabled top-level window of the program that has not
    // just been answered. A window that does not come in time is a failure:
    // the program is ended and an invalid Window is returned.
    Window WaitWindow(DWORD timeoutMs = kDefaultTimeoutMs);
    // Like WaitWindow, but a program that ends first is no failure: the
    // result is then an invalid Window.
    Window WaitWindowOrExit(DWORD timeoutMs = kDefaultTimeoutMs);
    // Like WaitWindow, for a window with exactly this caption; other windows are left alone.
    Window WaitWindowWithCaption(const std::string& caption, DWORD timeoutMs = kDefaultTimeoutMs);
    // The program's exit code. A program still running after the time-out is
    // a failure: it is ended and STILL_ACTIVE is returned.
    DWORD WaitExit(DWORD timeoutMs = kDefaultTimeoutMs);
    // Waits for the program to end and reports every window it still shows as a failure.
    void ExpectNoMoreWindows(DWORD timeoutMs = kDefaultTimeoutMs);

    // Windows with this caption are never awaited (a progress window that may
    // or may not be caught while it is up); they are not noted either.
    void IgnoreCaption(const std::string& caption);

    bool Running() const;
    DWORD ProcessId() const { return processId_; }
    // Ends the program if it still runs; no failure is reported.
    void End();
    const std::string& Transcript() const { return transcript_; }
    void Note(const std::string& line);

  private:
    friend class Window;
    HWND FindNewWindow(const std::string* caption) const;
    Window Wait(const std::string* caption, bool exitIsFailure, DWORD timeoutMs);
    Window Take(HWND hwnd);
    void Fail(const std::string& message);

    FailureReporter reporter_;
    UniqueHandle process_;
    DWORD processId_ = 0;
    HWND lastAnswered_ = nullptr;
    std::vector<HWND> leftAlone_;
    std::vector<std::string> ignoredCaptions_;
    std::string transcript_;
};

// Renders text for the transcript: control characters as \r, \n, \t or \xNN.
std::string Quote(const std::string& text);

} // namespace setupkit::robot
