// libFuzzer entry: any bytes as an archive file, walked through the API the
// way a tester would: open, read every header, test every entry.
#include "rar/api/unrar.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void TestArchive(const std::string& path) {
    RAROpenArchiveData open{};
    open.ArcName = const_cast<char*>(path.c_str());
    open.OpenMode = RAR_OM_EXTRACT;
    HANDLE handle = RAROpenArchive(&open);
    if (!handle)
        return;
    RARHeaderData header{};
    for (int entries = 0; entries < 10000 && RARReadHeader(handle, &header) == ERAR_SUCCESS;
         ++entries)
        RARProcessFile(handle, RAR_TEST, nullptr, nullptr);
    RARCloseArchive(handle);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string kPath = "/tmp/rar-fuzz-" + std::to_string(getpid()) + ".rar";
    std::FILE* file = std::fopen(kPath.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    TestArchive(kPath);
    // Removed each time: a run of single inputs is one process each.
    std::remove(kPath.c_str());
    return 0;
}
