#include "rar/disk/safe_path.h"

#include <cctype>
#include <vector>

namespace rar {
namespace {

std::vector<std::string> SplitComponents(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '/' || c == '\\') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

bool IsDeviceName(const std::string& component) {
    std::string stem = component.substr(0, component.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (stem == device)
            return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '0' && stem[3] <= '9';
}

// Windows drops trailing dots and spaces, which would let "..." or ". ."
// act as a parent reference there.
std::string TrimTrailingDotsAndSpaces(std::string component) {
    while (!component.empty() && (component.back() == '.' || component.back() == ' '))
        component.pop_back();
    return component;
}

std::string CleanComponent(const std::string& raw) {
    std::string component;
    for (char c : raw) {
        const auto u = static_cast<unsigned char>(c);
        const bool reserved = u < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' ||
                              c == '<' || c == '>' || c == '|';
        component += reserved ? '_' : c;
    }
    component = TrimTrailingDotsAndSpaces(component);
    if (!component.empty() && IsDeviceName(component))
        component = "_" + component;
    return component;
}

} // namespace

std::string SafeRelativePath(const std::string& name) {
    std::string rest = name;
    // A drive prefix ("C:") is dropped with the root that may follow it.
    if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0])))
        rest.erase(0, 2);
    std::string path;
    for (const std::string& raw : SplitComponents(rest)) {
        if (raw.empty() || raw == "." || raw == "..")
            continue;
        const std::string component = CleanComponent(raw);
        if (component.empty())
            continue;
        if (!path.empty())
            path += '/';
        path += component;
    }
    return path;
}

bool LinkStaysInside(const std::string& linkPath, const std::string& target) {
    if (target.empty() || target[0] == '/' || target[0] == '\\' ||
        (target.size() >= 2 && target[1] == ':'))
        return false;
    std::vector<std::string> stack = SplitComponents(linkPath);
    stack.pop_back(); // the link itself
    // ".." is only allowed before the first name: after a name it would step
    // back out of whatever that name resolves to, which may be another link.
    bool descended = false;
    for (const std::string& part : SplitComponents(target)) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (stack.empty() || descended)
                return false;
            stack.pop_back();
        } else if (part.find(':') != std::string::npos || TrimTrailingDotsAndSpaces(part).empty()) {
            return false;
        } else {
            stack.push_back(part);
            descended = true;
        }
    }
    return true;
}

} // namespace rar
