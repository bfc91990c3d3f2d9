// rcdump NAME OUTFILE: copies the program's own RT_RCDATA resource NAME into
// OUTFILE. Exit status 0 when done, 3 when the resource is absent, 2 on
// another failure. The Wine tests run setup variants made from it.
#include <windows.h>

#include <fstream>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    HRSRC found = FindResourceA(nullptr, argv[1], MAKEINTRESOURCEA(10));
    if (!found)
        return 3;
    const DWORD size = SizeofResource(nullptr, found);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    std::ofstream out(argv[2], std::ios::binary);
    out.write(bytes, size);
    return out ? 0 : 2;
}
