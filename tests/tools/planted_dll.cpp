// A DLL planted where a program might load it instead of the system's own:
// built as version.dll, with every export of the system's one failing. When
// loaded it appends its host program's path to "planted.txt" in the host's
// current folder, so that a test sees that it ran, and in which program.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char host[MAX_PATH + 2] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, host, MAX_PATH);
    host[length++] = '\r';
    host[length++] = '\n';
    const HANDLE file = ::CreateFileA("planted.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, host, length, &written, nullptr);
    ::CloseHandle(file);
    return TRUE;
}

// The system's declarations, so exactly its signatures; each one fails.
#define PLANTED(type) extern "C" __declspec(dllexport) type WINAPI

PLANTED(BOOL) GetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID) {
    return FALSE;
}
PLANTED(BOOL) GetFileVersionInfoW(LPCWSTR, DWORD, DWORD, LPVOID) {
    return FALSE;
}
PLANTED(BOOL) GetFileVersionInfoExA(DWORD, LPCSTR, DWORD, DWORD, LPVOID) {
    return FALSE;
}
PLANTED(BOOL) GetFileVersionInfoExW(DWORD, LPCWSTR, DWORD, DWORD, LPVOID) {
    return FALSE;
}
PLANTED(DWORD) GetFileVersionInfoSizeA(LPCSTR, LPDWORD) {
    return 0;
}
PLANTED(DWORD) GetFileVersionInfoSizeW(LPCWSTR, LPDWORD) {
    return 0;
}
PLANTED(DWORD) GetFileVersionInfoSizeExA(DWORD, LPCSTR, LPDWORD) {
    return 0;
}
PLANTED(DWORD) GetFileVersionInfoSizeExW(DWORD, LPCWSTR, LPDWORD) {
    return 0;
}
PLANTED(DWORD) VerFindFileA(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, PUINT, LPSTR, PUINT) {
    return 0;
}
PLANTED(DWORD) VerFindFileW(DWORD, LPWSTR, LPWSTR, LPWSTR, LPWSTR, PUINT, LPWSTR, PUINT) {
    return 0;
}
PLANTED(DWORD) VerInstallFileA(DWORD, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, LPSTR, PUINT) {
    return 0;
}
PLANTED(DWORD) VerInstallFileW(DWORD, LPWSTR, LPWSTR, LPWSTR, LPWSTR, LPWSTR, LPWSTR, PUINT) {
    return 0;
}
PLANTED(DWORD) VerLanguageNameA(DWORD, LPSTR, DWORD) {
    return 0;
}
PLANTED(DWORD) VerLanguageNameW(DWORD, LPWSTR, DWORD) {
    return 0;
}
PLANTED(BOOL) VerQueryValueA(LPCVOID, LPCSTR, LPVOID*, PUINT) {
    return FALSE;
}
PLANTED(BOOL) VerQueryValueW(LPCVOID, LPCWSTR, LPVOID*, PUINT) {
    return FALSE;
}
