// Raw extraction by the RAR library alone, the install benchmark's floor:
//   unrar_all UNRAR_DLL ARCHIVE DESTINATION
// loads the library as the setup does and extracts every entry below
// DESTINATION. Exit status 0 when every entry was written.
#include "lib/win32.h"
#include "rar/api/unrar.h"

#include <cstdio>

namespace {

template <typename Fn> Fn Entry(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: unrar_all UNRAR_DLL ARCHIVE DESTINATION\n");
        return 2;
    }
    const setupkit::LoadedModule library(::LoadLibraryA(argv[1]));
    const auto open = Entry<HANDLE(PASCAL*)(RAROpenArchiveData*)>(library.Get(), "RAROpenArchive");
    const auto read = Entry<int(PASCAL*)(HANDLE, RARHeaderData*)>(library.Get(), "RARReadHeader");
    const auto process =
        Entry<int(PASCAL*)(HANDLE, int, char*, char*)>(library.Get(), "RARProcessFile");
    const auto close = Entry<int(PASCAL*)(HANDLE)>(library.Get(), "RARCloseArchive");
    if (!open || !read || !process || !close) {
        std::fprintf(stderr, "unrar_all: cannot load %s\n", argv[1]);
        return 2;
    }
    RAROpenArchiveData data{};
    data.ArcName = argv[2];
    data.OpenMode = RAR_OM_EXTRACT;
    const HANDLE archive = open(&data);
    if (!archive) {
        std::fprintf(stderr, "unrar_all: cannot open %s\n", argv[2]);
        return 1;
    }
    RARHeaderData header{};
    int failures = 0;
    while (read(archive, &header) == ERAR_SUCCESS)
        if (process(archive, RAR_EXTRACT, argv[3], nullptr) != ERAR_SUCCESS) {
            std::fprintf(stderr, "unrar_all: cannot extract %s\n", header.FileName);
            ++failures;
        }
    close(archive);
    return failures == 0 ? 0 : 1;
}
