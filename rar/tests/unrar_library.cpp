#include "rar/tests/unrar_library.h"

#include <stdexcept>
#include <string>
#include <system_error>

#ifdef _WIN32
#include "lib/win32.h"
#endif

namespace rar::test {
namespace {

#ifdef _WIN32
template <typename F> void Resolve(HMODULE module, F& function, const char* name) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!function)
        throw std::runtime_error(std::string("unrar.dll lacks ") + name);
}

UnrarApi Load() {
    // One copy per process: test programs run in parallel, and a copy another one has
    // loaded cannot be overwritten.
    struct RemovedAtExit {
        std::filesystem::path path;
        ~RemovedAtExit() {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    };
    static const RemovedAtExit copy{
        std::filesystem::temp_directory_path() /
        ("rar-tests-unrar-" + std::to_string(GetCurrentProcessId()) + ".dll")};
    std::filesystem::copy_file(UNRAR_DLL_PATH, copy.path,
                               std::filesystem::copy_options::overwrite_existing);
    // Declared after the copy so it is unloaded before the copy is removed.
    static setupkit::LoadedModule module(LoadLibraryW(copy.path.wstring().c_str()));
    if (!module)
        throw std::runtime_error("cannot load unrar.dll");
    UnrarApi api{};
    HMODULE m = module.Get();
    Resolve(m, api.OpenArchive, "RAROpenArchive");
    Resolve(m, api.OpenArchiveEx, "RAROpenArchiveEx");
    Resolve(m, api.CloseArchive, "RARCloseArchive");
    Resolve(m, api.ReadHeader, "RARReadHeader");
    Resolve(m, api.ReadHeaderEx, "RARReadHeaderEx");
    Resolve(m, api.ProcessFile, "RARProcessFile");
    Resolve(m, api.ProcessFileW, "RARProcessFileW");
    Resolve(m, api.SetCallback, "RARSetCallback");
    Resolve(m, api.SetProcessDataProc, "RARSetProcessDataProc");
    Resolve(m, api.SetPassword, "RARSetPassword");
    Resolve(m, api.GetDllVersion, "RARGetDllVersion");
    return api;
}
#else
UnrarApi Load() {
    return {RAROpenArchive,        RAROpenArchiveEx, RARCloseArchive, RARReadHeader,
            RARReadHeaderEx,       RARProcessFile,   RARProcessFileW, RARSetCallback,
            RARSetProcessDataProc, RARSetPassword,   RARGetDllVersion};
}
#endif

} // namespace

const UnrarApi& Unrar() {
    static const UnrarApi kApi = Load();
    return kApi;
}

std::filesystem::path CorpusFolder() {
#ifdef _WIN32
    return std::filesystem::path("Z:" RAR_CORPUS_DIR);
#else
    return std::filesystem::path(RAR_CORPUS_DIR);
#endif
}

std::wstring WideText(const std::filesystem::path& path) {
    return path.wstring();
}

} // namespace rar::test
