#pragma once
// Drives the windows of the test's main thread from a second thread, the
// way a user would: the main thread sits in a dialog's message loop while
// this side finds the window, reads it and presses its buttons.
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace setupkit::testing {

std::string WindowText(HWND window);
std::string ClassOf(HWND window);
// A visible top-level window of `thread` with the class "#32770" that is
// not `except`; null when none shows up within `timeoutMs`.
HWND WaitForDialog(DWORD thread, HWND except = nullptr, int timeoutMs = 10000);
// Whether the window has a child (at any depth) showing exactly `text`.
bool HasChildText(HWND window, const std::string& text);
// Waits until the folder tree of the shell's browser has selected an item
// shown as `name`: the browser may expand the tree towards a deep selection
// after it has appeared. False when that does not happen within `timeoutMs`.
bool WaitForTreeSelection(HWND browser, const std::string& name, int timeoutMs = 10000);

// Folders on drive C: for the browser to show (it selects a folder one level
// below a drive at once), removed again when the object goes.
class DriveFolders {
  public:
    DriveFolders() = default;
    ~DriveFolders();
    DriveFolders(const DriveFolders&) = delete;
    DriveFolders& operator=(const DriveFolders&) = delete;

    // Creates C:\`name` (its parent must exist) and returns that path.
    std::string Make(const std::string& name);

  private:
    std::vector<std::string> made_;
};

// Runs `steps` on its own thread; joined when the scope ends.
class Driver {
  public:
    explicit Driver(std::function<void()> steps) : thread_(std::move(steps)) {}
    ~Driver() { thread_.join(); }
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

  private:
    std::thread thread_;
};

} // namespace setupkit::testing
