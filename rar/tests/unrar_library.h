#pragma once
// The API under test as callers reach it: on Windows unrar.dll loaded with
// LoadLibrary from a temporary copy, as the setup does; natively the shared
// library the test is linked with.
#include "rar/api/unrar.h"

#include <filesystem>
#include <string>

namespace rar::test {

// The entry points under the classic interface's own names.
// NOLINTBEGIN(readability-identifier-naming)
struct UnrarApi {
    HANDLE(PASCAL* OpenArchive)(RAROpenArchiveData*);
    HANDLE(PASCAL* OpenArchiveEx)(RAROpenArchiveDataEx*);
    int(PASCAL* CloseArchive)(HANDLE);
    int(PASCAL* ReadHeader)(HANDLE, RARHeaderData*);
    int(PASCAL* ReadHeaderEx)(HANDLE, RARHeaderDataEx*);
    int(PASCAL* ProcessFile)(HANDLE, int, char*, char*);
    int(PASCAL* ProcessFileW)(HANDLE, int, wchar_t*, wchar_t*);
    void(PASCAL* SetCallback)(HANDLE, UNRARCALLBACK, LPARAM);
    void(PASCAL* SetProcessDataProc)(HANDLE, PROCESSDATAPROC);
    void(PASCAL* SetPassword)(HANDLE, char*);
    int(PASCAL* GetDllVersion)();
};
// NOLINTEND(readability-identifier-naming)

const UnrarApi& Unrar();

// The folder of the shared corpus, as this platform's programs see it.
std::filesystem::path CorpusFolder();

// A path as the wide text the API takes.
std::wstring WideText(const std::filesystem::path& path);

} // namespace rar::test
