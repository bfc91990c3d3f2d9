// Runs a program and answers OK to every window it shows, as a user who
// accepts every proposal would, then prints what that user saw.
//   answer_ok PROGRAM [SCREENS_FOLDER]
// A window without an OK button (a progress window) is left alone. With a
// folder given, a picture of each window is saved there as it comes
// (NN-caption.bmp, numbered in the order of the transcript). The exit status
// is 0 when the program ended with status 0 and every window came and went
// in time.
#include "tests/robot/robot.h"
#include "tests/tools/window_image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

constexpr DWORD kPatienceMs = 120000;
// A window is found as soon as it is visible; its controls paint a moment
// later. A window that waits for an answer can be given that moment; a
// progress window cannot, it may be gone by then.
constexpr DWORD kPaintMs = 400;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool HasOk(const setupkit::robot::Window& window) {
    const std::vector<int> ids = window.ButtonIds();
    return std::find(ids.begin(), ids.end(), IDOK) != ids.end();
}

std::string ImageName(int number, const std::string& caption) {
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02d-", number);
    std::string name = prefix;
    for (const unsigned char c : caption.substr(0, 40))
        name += std::isalnum(c) ? static_cast<char>(c) : '_';
    return (caption.empty() ? name + "untitled" : name) + ".bmp";
}

void SaveImage(const setupkit::robot::Window& window, const std::string& folder, int number) {
    if (HasOk(window))
        ::Sleep(kPaintMs);
    const std::string path = folder + "\\" + ImageName(number, window.Caption());
    if (!setupkit::tools::SaveWindowImage(window.Handle(), path))
        std::fprintf(stderr, "answer_ok: window %d went before its picture was taken\n", number);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: answer_ok PROGRAM [SCREENS_FOLDER]\n");
        return 2;
    }
    bool failed = false;
    setupkit::robot::Robot robot([&](const std::string& message) {
        failed = true;
        std::fprintf(stderr, "answer_ok: %s\n", message.substr(0, message.find('\n')).c_str());
    });
    if (robot.Start(argv[1], FolderOf(argv[1]))) {
        for (int number = 1;; ++number) {
            setupkit::robot::Window window = robot.WaitWindowOrExit(kPatienceMs);
            if (!window.Valid())
                break;
            if (argc == 3)
                SaveImage(window, argv[2], number);
            if (HasOk(window))
                window.Press(IDOK);
            else
                window.LeaveAlone();
        }
    }
    const DWORD code = robot.WaitExit(kPatienceMs);
    std::fputs(robot.Transcript().c_str(), stdout);
    return failed || code != 0 ? 1 : 0;
}
