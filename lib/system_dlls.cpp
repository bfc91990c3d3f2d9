#include "lib/system_dlls.h"

namespace setupkit {
namespace {

// Not in the headers of the oldest systems we build for.
constexpr DWORD kSearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32

std::string SystemLibraryPath(const std::string& name) {
    char buffer[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(buffer, length) + "\\" + name;
}

} // namespace

LoadedModule LoadSystemLibrary(const std::string& name) {
    const std::string path = SystemLibraryPath(name);
    if (path.empty())
        return LoadedModule();
    // The DLLs it imports in turn are searched for beside it, in the system folder.
    return LoadedModule(::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

void RestrictDllSearch(std::initializer_list<const char*> delayLoaded) {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    const auto setDefault =
        ProcAddress<SetDefaultDllDirectoriesFn>(kernel, "SetDefaultDllDirectories");
    if (setDefault && setDefault(kSearchSystem32))
        return;
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    if (const auto setDirectory = ProcAddress<SetDllDirectoryFn>(kernel, "SetDllDirectoryA"))
        setDirectory("");
    // Loaded for the life of the process, as a delay-loaded DLL would be.
    for (const char* name : delayLoaded)
        LoadSystemLibrary(name).Release();
}

} // namespace setupkit
