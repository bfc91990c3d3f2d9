#include "tests/robot/icon.h"
#include "tests/robot/robot.h"

namespace setupkit::robot {
namespace {

// Message boxes give their text this control id.
constexpr int kMessageTextId = 0xFFFF;
constexpr UINT kSendTimeoutMs = 5000;

std::string TextOf(HWND hwnd) {
    char buffer[4096] = {};
    DWORD_PTR result = 0;
    // WM_GETTEXT is carried across processes; a hung program gives empty text.
    ::SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                          SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return buffer;
}

std::string ClassOf(HWND hwnd) {
    char buffer[256] = {};
    ::GetClassNameA(hwnd, buffer, sizeof buffer);
    return buffer;
}

bool SameClass(const std::string& a, const char* b) {
    return ::lstrcmpiA(a.c_str(), b) == 0;
}

bool IsPushButton(const Control& control) {
    const DWORD type = control.style & BS_TYPEMASK;
    return SameClass(control.className, "Button") &&
           (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

BOOL CALLBACK CollectControl(HWND hwnd, LPARAM param) {
    auto& controls = *reinterpret_cast<std::vector<Control>*>(param);
    Control control;
    control.className = ClassOf(hwnd);
    control.id = ::GetDlgCtrlID(hwnd);
    control.style = static_cast<DWORD>(::GetWindowLongA(hwnd, GWL_STYLE));
    control.text = TextOf(hwnd);
    controls.push_back(control);
    return TRUE;
}

std::string MainText(const std::vector<Control>& controls) {
    for (const Control& control : controls)
        if (control.id == kMessageTextId && SameClass(control.className, "Static"))
            return control.text;
    for (const Control& control : controls)
        if (SameClass(control.className, "Static") && !IsIconStatic(control.style) &&
            !control.text.empty())
            return control.text;
    return std::string();
}

} // namespace

void Window::Read() {
    className_ = ClassOf(hwnd_);
    caption_ = TextOf(hwnd_);
    controls_.clear();
    ::EnumChildWindows(hwnd_, CollectControl, reinterpret_cast<LPARAM>(&controls_));
    text_ = MainText(controls_);
    icon_ = RecognizeIcon(hwnd_);
}

std::vector<std::string> Window::ButtonTexts() const {
    std::vector<std::string> texts;
    for (const Control& control : controls_)
        if (IsPushButton(control))
            texts.push_back(control.text);
    return texts;
}

std::vector<int> Window::ButtonIds() const {
    std::vector<int> ids;
    for (const Control& control : controls_)
        if (IsPushButton(control))
            ids.push_back(control.id);
    return ids;
}

std::string Window::ItemText(int id) const {
    const HWND item = hwnd_ ? ::GetDlgItem(hwnd_, id) : nullptr;
    return item ? TextOf(item) : std::string();
}

std::string Window::Describe() const {
    std::string out = "window [" + className_ + "] " + Quote(caption_) + "\n";
    out += "  icon: " + std::string(IconName(icon_)) + "\n";
    if (!text_.empty())
        out += "  text: " + Quote(text_) + "\n";
    for (const Control& control : controls_) {
        if (IsPushButton(control))
            out += "  button " + std::to_string(control.id) + ": " + Quote(control.text) + "\n";
        else if (control.text != text_ && !IsIconStatic(control.style))
            out += "  " + control.className + " " + std::to_string(control.id) + ": " +
                   Quote(control.text) + "\n";
    }
    out.pop_back();
    return out;
}

void Window::Answered(const std::string& what) {
    robot_->Note("  -> " + what);
    robot_->lastAnswered_ = hwnd_;
}

void Window::Press(int id) {
    if (!Valid())
        return;
    const HWND button = ::GetDlgItem(hwnd_, id);
    Answered("press " + std::to_string(id) + (button ? " " + Quote(TextOf(button)) : ""));
    // What a click on the button would send its dialog.
    ::PostMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void Window::PressEscape() {
    if (!Valid())
        return;
    Answered("Escape");
    // The dialog's own loop turns the key into its Cancel command, as for a real key press.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = hwnd_;
    if (::GetGUIThreadInfo(::GetWindowThreadProcessId(hwnd_, nullptr), &info) && info.hwndFocus &&
        (info.hwndFocus == hwnd_ || ::IsChild(hwnd_, info.hwndFocus)))
        target = info.hwndFocus;
    ::PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ::PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

void Window::Close() {
    if (!Valid())
        return;
    Answered("Close box");
    ::PostMessageA(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void Window::LeaveAlone() {
    if (!Valid())
        return;
    robot_->Note("  -> left alone");
    robot_->leftAlone_.push_back(hwnd_);
}

void Window::SetItemText(int id, const std::string& text) {
    if (!Valid())
        return;
    robot_->Note("  -> type " + Quote(text) + " into " + std::to_string(id));
    const HWND item = ::GetDlgItem(hwnd_, id);
    if (!item) {
        robot_->Fail("the window has no control " + std::to_string(id));
        return;
    }
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                          SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
}

} // namespace setupkit::robot
