// One timed decode of every entry of an archive, by this library or by
// libarchive, printed as "bytes seconds peak-kB" for scripts/bench-rar.sh.
//   rar_bench ours|libarchive ARCHIVE
#include "rar/archive.h"
#include "rar/status.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

class CountingSink : public rar::ByteSink {
  public:
    void Write(const std::uint8_t*, std::size_t size) override { bytes += size; }
    std::uint64_t bytes = 0;
};

std::uint64_t DecodeOurs(const char* path) {
    rar::Archive archive(path);
    CountingSink sink;
    while (archive.NextEntry())
        if (!archive.current().isDirectory && archive.current().link == rar::LinkKind::None)
            archive.Unpack(sink);
    return sink.bytes;
}

std::uint64_t DecodeLibarchive(const char* path) {
    struct archive* a = archive_read_new();
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    std::uint64_t bytes = 0;
    if (archive_read_open_filename(a, path, 1 << 16) == ARCHIVE_OK) {
        std::vector<char> buffer(1 << 16);
        struct archive_entry* entry;
        while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
            la_ssize_t got;
            while ((got = archive_read_data(a, buffer.data(), buffer.size())) > 0)
                bytes += static_cast<std::uint64_t>(got);
        }
    }
    archive_read_free(a);
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    const bool ours = std::strcmp(argv[1], "ours") == 0;
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t bytes = 0;
    try {
        bytes = ours ? DecodeOurs(argv[2]) : DecodeLibarchive(argv[2]);
    } catch (const rar::ArchiveError& e) {
        std::fprintf(stderr, "%s: %s\n", argv[2], e.what());
        return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%llu %.6f %ld\n", static_cast<unsigned long long>(bytes), took.count(),
                usage.ru_maxrss);
    return 0;
}
