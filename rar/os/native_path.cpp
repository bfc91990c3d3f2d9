#include "rar/format/names.h"
#include "rar/os/file_system.h"

namespace rar {
namespace {

#ifdef _WIN32
bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}
constexpr wchar_t kSeparator = L'\\';
#else
bool IsSeparator(char c) {
    return c == '/';
}
constexpr char kSeparator = '/';
#endif

} // namespace

NativePath PathFromUtf8(const std::string& name) {
#ifdef _WIN32
    std::wstring wide;
    for (char32_t c : Utf8ToCodePoints(name)) {
        // Bytes that were no text cannot be unpaired surrogates in a Windows
        // name on every file system; they are read as Latin-1 instead.
        if (c >= 0xDC80 && c <= 0xDCFF) {
            wide += static_cast<wchar_t>(c - 0xDC00);
        } else if (c >= 0x10000) {
            wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<wchar_t>(c);
        }
    }
    return wide;
#else
    return name;
#endif
}

NativePath JoinPath(const NativePath& folder, const NativePath& name) {
    if (folder.empty())
        return name;
    if (IsSeparator(folder.back()))
        return folder + name;
    return folder + kSeparator + name;
}

NativePath ParentPath(const NativePath& path) {
    std::size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1]))
        --end;
    while (end > 0 && !IsSeparator(path[end - 1]))
        --end;
    // The root itself stays: "/a" has the parent "/".
    while (end > 1 && IsSeparator(path[end - 1]))
        --end;
    return path.substr(0, end);
}

bool MakeFolder(const NativePath& path) {
    return CreateFolder(path) || KindOf(path) == PathKind::Folder;
}

bool MakeFolders(const NativePath& path) {
    if (path.empty() || KindOf(path) == PathKind::Folder)
        return true;
    const NativePath parent = ParentPath(path);
    if (!parent.empty() && parent != path && !MakeFolders(parent))
        return false;
    return MakeFolder(path);
}

} // namespace rar
