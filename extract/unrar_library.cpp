#include "extract/unrar_library.h"

#include "lib/setup_error.h"
#include "lib/win32.h"

namespace setupkit {
namespace {

using OpenArchiveFn = HANDLE(PASCAL*)(RAROpenArchiveData*);
using CloseArchiveFn = int(PASCAL*)(HANDLE);
using ReadHeaderFn = int(PASCAL*)(HANDLE, RARHeaderData*);
using ProcessFileFn = int(PASCAL*)(HANDLE, int, char*, char*);

// Only the first four are ever called; the other three are resolved because
// any DLL of the classic interface offers them, and a missing one is no error.
struct UnrarEntryPoints {
    OpenArchiveFn openArchive = nullptr;
    CloseArchiveFn closeArchive = nullptr;
    ReadHeaderFn readHeader = nullptr;
    ProcessFileFn processFile = nullptr;
    FARPROC setChangeVolProc = nullptr;
    FARPROC setProcessDataProc = nullptr;
    FARPROC setPassword = nullptr;
};

LoadedModule g_library;
UnrarEntryPoints g_entries;

template <typename Fn> Fn Resolve(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(g_library.Get(), name)));
}

template <typename Fn> Fn Required(Fn fn) {
    if (!fn)
        throw SetupError("The extraction library lacks an entry point");
    return fn;
}

} // namespace

void LoadUnrarLibrary(const std::string& path) {
    g_library.Reset(::LoadLibraryA(path.c_str()));
    if (!g_library)
        throw SetupError("Can't load UNRAR.DLL");
    g_entries.openArchive = Resolve<OpenArchiveFn>("RAROpenArchive");
    g_entries.closeArchive = Resolve<CloseArchiveFn>("RARCloseArchive");
    g_entries.readHeader = Resolve<ReadHeaderFn>("RARReadHeader");
    g_entries.processFile = Resolve<ProcessFileFn>("RARProcessFile");
    g_entries.setChangeVolProc = Resolve<FARPROC>("RARSetChangeVolProc");
    g_entries.setProcessDataProc = Resolve<FARPROC>("RARSetProcessDataProc");
    g_entries.setPassword = Resolve<FARPROC>("RARSetPassword");
}

void EnsureUnrarLibrary() {
    if (!g_library)
        LoadUnrarLibrary("unrar.dll");
}

void FreeUnrarLibrary() {
    g_library.Reset();
    g_entries = UnrarEntryPoints();
}

HANDLE UnrarOpenArchive(RAROpenArchiveData& data) {
    EnsureUnrarLibrary();
    return Required(g_entries.openArchive)(&data);
}

void UnrarCloseArchive(HANDLE archive) noexcept {
    // Closing runs while a walk unwinds, where an error would end the
    // process; without the entry point nothing can close the archive anyway.
    if (g_entries.closeArchive)
        g_entries.closeArchive(archive);
}

int UnrarReadHeader(HANDLE archive, RARHeaderData& header) {
    EnsureUnrarLibrary();
    return Required(g_entries.readHeader)(archive, &header);
}

int UnrarProcessFile(HANDLE archive, int operation, const char* destPath, const char* destName) {
    EnsureUnrarLibrary();
    return Required(g_entries.processFile)(archive, operation, const_cast<char*>(destPath),
                                           const_cast<char*>(destName));
}

} // namespace setupkit
