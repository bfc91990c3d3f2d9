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

LoadedModule UnrarModule;
UnrarEntryPoints UnrarEntries;

template <typename Fn> Fn Resolve(const char* name) {
    return ProcAddress<Fn>(UnrarModule.Get(), name);
}

template <typename Fn> Fn Required(Fn fn) {
    if (!fn)
        throw SetupError("The extraction library lacks an entry point");
    return fn;
}

} // namespace

void LoadUnrarLibrary(const std::string& path) {
    UnrarModule.Reset(::LoadLibraryA(path.c_str()));
    if (!UnrarModule)
        throw SetupError("Can't load UNRAR.DLL");
    UnrarEntries.openArchive = Resolve<OpenArchiveFn>("RAROpenArchive");
    UnrarEntries.closeArchive = Resolve<CloseArchiveFn>("RARCloseArchive");
    UnrarEntries.readHeader = Resolve<ReadHeaderFn>("RARReadHeader");
    UnrarEntries.processFile = Resolve<ProcessFileFn>("RARProcessFile");
    UnrarEntries.setChangeVolProc = Resolve<FARPROC>("RARSetChangeVolProc");
    UnrarEntries.setProcessDataProc = Resolve<FARPROC>("RARSetProcessDataProc");
    UnrarEntries.setPassword = Resolve<FARPROC>("RARSetPassword");
}

void EnsureUnrarLibrary() {
    if (!UnrarModule)
        LoadUnrarLibrary("unrar.dll");
}

void FreeUnrarLibrary() {
    UnrarModule.Reset();
    UnrarEntries = UnrarEntryPoints();
}

HANDLE UnrarOpenArchive(RAROpenArchiveData& data) {
    EnsureUnrarLibrary();
    return Required(UnrarEntries.openArchive)(&data);
}

void UnrarCloseArchive(HANDLE archive) noexcept {
    // Closing runs while a walk unwinds, where an error would end the
    // process; without the entry point nothing can close the archive anyway.
    if (UnrarEntries.closeArchive)
        UnrarEntries.closeArchive(archive);
}

int UnrarReadHeader(HANDLE archive, RARHeaderData& header) {
    EnsureUnrarLibrary();
    return Required(UnrarEntries.readHeader)(archive, &header);
}

int UnrarProcessFile(HANDLE archive, int operation, const char* destPath, const char* destName) {
    EnsureUnrarLibrary();
    return Required(UnrarEntries.processFile)(archive, operation, const_cast<char*>(destPath),
                                              const_cast<char*>(destName));
}

} // namespace setupkit
