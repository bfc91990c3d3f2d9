#include "ui/tests/window_driver.h"

#include <commctrl.h>

namespace setupkit::testing {

std::string WindowText(HWND window) {
    char buffer[1024] = {};
    ::GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string ClassOf(HWND window) {
    char buffer[256] = {};
    ::GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

namespace {

struct DialogSearch {
    DWORD thread;
    HWND except;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    if (window == search->except || !::IsWindowVisible(window) || ClassOf(window) != "#32770")
        return TRUE;
    search->found = window;
    return FALSE;
}

struct TextSearch {
    const std::string* text;
    bool found;
};

BOOL CALLBACK MatchText(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TextSearch*>(data);
    if (WindowText(window) == *search->text) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND WaitForDialog(DWORD thread, HWND except, int timeoutMs) {
    for (int waited = 0;; waited += 20) {
        DialogSearch search{thread, except, nullptr};
        ::EnumThreadWindows(thread, MatchDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found || waited >= timeoutMs)
            return search.found;
        ::Sleep(20);
    }
}

bool HasChildText(HWND window, const std::string& text) {
    TextSearch search{&text, false};
    ::EnumChildWindows(window, MatchText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitForTreeSelection(HWND browser, const std::string& name, int timeoutMs) {
    const HWND tree = ::FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    for (int waited = 0; tree; waited += 20) {
        char text[MAX_PATH] = {};
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem =
            reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        item.pszText = text;
        item.cchTextMax = sizeof text;
        if (item.hItem && ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) &&
            name == text)
            return true;
        if (waited >= timeoutMs)
            break;
        ::Sleep(20);
    }
    return false;
}

DriveFolders::~DriveFolders() {
    for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder)
        ::RemoveDirectoryA(folder->c_str());
}

std::string DriveFolders::Make(const std::string& name) {
    const std::string path = "C:\\" + name;
    if (::CreateDirectoryA(path.c_str(), nullptr))
        made_.push_back(path);
    return path;
}

} // namespace setupkit::testing
