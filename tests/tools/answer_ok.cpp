// Runs a program and answers OK to every window it shows, as a user who
// accepts every proposal would, then prints what that user saw.
//   answer_ok PROGRAM
// A window without an OK button (a progress window) is left alone. The exit
// status is 0 when the program ended with status 0 and every window came
// and went in time.
#include "tests/robot/robot.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr DWORD PatienceMs = 120000;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool HasOk(const setupkit::robot::Window& window) {
    const std::vector<int> ids = window.ButtonIds();
    return std::find(ids.begin(), ids.end(), IDOK) != ids.end();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: answer_ok PROGRAM\n");
        return 2;
    }
    bool failed = false;
    setupkit::robot::Robot robot([&](const std::string& message) {
        failed = true;
        std::fprintf(stderr, "answer_ok: %s\n", message.substr(0, message.find('\n')).c_str());
    });
    if (robot.Start(argv[1], FolderOf(argv[1]))) {
        for (;;) {
            setupkit::robot::Window window = robot.WaitWindowOrExit(PatienceMs);
            if (!window.Valid())
                break;
            if (HasOk(window))
                window.Press(IDOK);
            else
                window.LeaveAlone();
        }
    }
    const DWORD code = robot.WaitExit(PatienceMs);
    std::fputs(robot.Transcript().c_str(), stdout);
    return failed || code != 0 ? 1 : 0;
}
