#include "tests/support/paths.h"

namespace setupkit::e2e {

std::string WindowsPath(const std::string& linuxPath) {
    std::string path = "Z:" + linuxPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

} // namespace setupkit::e2e
