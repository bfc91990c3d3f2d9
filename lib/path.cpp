#include "lib/path.h"

#include "lib/text.h"

namespace setupkit::path {

namespace {
std::string::size_type LastSeparator(const std::string& path) {
    return path.find_last_of("\\:");
}
} // namespace

std::string AddBackslash(const std::string& path) {
    if (path.empty() || path.back() == '\\')
        return path;
    return path + '\\';
}

std::string RemoveBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\')
        return path.substr(0, path.size() - 1);
    return path;
}

std::string ExtractFileName(const std::string& path) {
    const auto sep = LastSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string ExtractFilePath(const std::string& path) {
    const auto sep = LastSeparator(path);
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string ExtractFileDrive(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(0, 2);
    if (path.size() < 2 || path[0] != '\\' || path[1] != '\\')
        return std::string();
    // \\server\share: the drive ends before the backslash after the share.
    const std::size_t server = path.find('\\', 2);
    if (server == std::string::npos)
        return path;
    const std::size_t share = path.find('\\', server + 1);
    return share == std::string::npos ? path : path.substr(0, share);
}

std::string ExtractFileExt(const std::string& path) {
    const std::string name = ExtractFileName(path);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
    return path.substr(0, path.size() - ExtractFileExt(path).size()) + extension;
}

bool HasExtension(const std::string& path, const std::string& extension) {
    return SameText(ExtractFileExt(path), extension);
}

bool IsBelowFolder(const std::string& path, const std::string& folder) {
    const std::string prefix = folder + "\\";
    return path.size() > prefix.size() && SameText(path.substr(0, prefix.size()), prefix);
}

bool IsRootedPath(const std::string& path) {
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (path.size() >= 3 && isLetter(path[0]) && path[1] == ':' && path[2] == '\\')
        return true;
    // A share needs a server and a share name after the two backslashes.
    if (path.compare(0, 2, "\\\\") != 0)
        return false;
    const auto shareStart = path.find('\\', 2);
    return shareStart != std::string::npos && shareStart > 2 && shareStart + 1 < path.size() &&
           path[shareStart + 1] != '\\';
}

} // namespace setupkit::path
