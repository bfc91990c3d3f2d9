// Shows message boxes one after another, for the robot's own tests.
//   show_box FLAGS CAPTION TEXT [FLAGS CAPTION TEXT]...
// FLAGS is the decimal MessageBox style; \r and \n in TEXT stand for line
// ends. The exit code holds the answers as decimal digits, the first box's
// answer first (OK then Cancel gives 12).
//   show_box wait MILLISECONDS
// shows nothing and ends after the given time.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string Unescape(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '\\' && (p[1] == 'r' || p[1] == 'n')) {
            out += p[1] == 'r' ? '\r' : '\n';
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "wait") {
        ::Sleep(static_cast<DWORD>(std::atoi(argv[2])));
        return 0;
    }
    int answers = 0;
    for (int i = 1; i + 2 < argc; i += 3) {
        const UINT flags = static_cast<UINT>(std::atoi(argv[i]));
        const int answer =
            ::MessageBoxA(nullptr, Unescape(argv[i + 2]).c_str(), argv[i + 1], flags);
        answers = answers * 10 + answer;
    }
    return answers;
}
