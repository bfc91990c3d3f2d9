// rarx: lists, tests or extracts a RAR archive through the classic API.
//   rarx l ARCHIVE          list the entries
//   rarx t ARCHIVE          test every entry's data
//   rarx x ARCHIVE [DEST]   extract under DEST (default: current folder)
// The exit status is 0 when every entry succeeded, otherwise the first ERAR_* code.
#include "rar/api/unrar.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* ErrorText(int code) {
    switch (code) {
    case ERAR_END_ARCHIVE:
        return "end of archive";
    case ERAR_NO_MEMORY:
        return "not enough memory";
    case ERAR_BAD_DATA:
        return "damaged data or checksum mismatch";
    case ERAR_BAD_ARCHIVE:
        return "not a valid archive";
    case ERAR_UNKNOWN_FORMAT:
        return "unsupported format or method";
    case ERAR_EOPEN:
        return "cannot open";
    case ERAR_ECREATE:
        return "cannot create";
    case ERAR_ECLOSE:
        return "cannot close";
    case ERAR_EREAD:
        return "read error";
    case ERAR_EWRITE:
        return "write error";
    case ERAR_MISSING_PASSWORD:
        return "encrypted, no password";
    case ERAR_EREFERENCE:
        return "link source missing";
    default:
        return "error";
    }
}

int Usage() {
    std::fprintf(stderr, "usage: rarx l|t|x ARCHIVE [DEST]\n");
    return 2;
}

int Run(char command, char* archive, char* dest) {
    RAROpenArchiveDataEx open{};
    open.ArcName = archive;
    open.OpenMode = command == 'l' ? RAR_OM_LIST : RAR_OM_EXTRACT;
    HANDLE handle = RAROpenArchiveEx(&open);
    if (!handle) {
        std::fprintf(stderr, "%s: %s\n", archive, ErrorText(static_cast<int>(open.OpenResult)));
        return static_cast<int>(open.OpenResult);
    }
    const int operation = command == 'x' ? RAR_EXTRACT : command == 't' ? RAR_TEST : RAR_SKIP;
    int status = 0;
    RARHeaderDataEx header{};
    int code;
    while ((code = RARReadHeaderEx(handle, &header)) == ERAR_SUCCESS) {
        const unsigned long long size =
            (static_cast<unsigned long long>(header.UnpSizeHigh) << 32) | header.UnpSize;
        const int result = RARProcessFile(handle, operation, dest, nullptr);
        std::printf("%12llu  %s%s  %s\n", size, header.FileName,
                    (header.Flags & RHDF_DIRECTORY) ? "/" : "",
                    result == ERAR_SUCCESS ? "OK" : ErrorText(result));
        if (result != ERAR_SUCCESS && status == 0)
            status = result;
    }
    if (code != ERAR_END_ARCHIVE) {
        std::fprintf(stderr, "%s: %s\n", archive, ErrorText(code));
        if (status == 0)
            status = code;
    }
    RARCloseArchive(handle);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::strlen(argv[1]) != 1 || !std::strchr("ltx", argv[1][0]))
        return Usage();
    return Run(argv[1][0], argv[2], argc > 3 ? argv[3] : nullptr);
}
