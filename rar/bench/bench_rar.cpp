// Decodes every entry of an archive, by this library or by libarchive, for
// scripts/bench-rar.sh.
//   rar_bench time ours|libarchive ARCHIVE
//       prints "bytes seconds": the fastest of repeated passes (as many as
//       fit in about 50 ms, at least one) in CPU seconds, the data counted
//       and dropped.
//   rar_bench check ours|libarchive ARCHIVE
//       prints "digest SHA256" for every entry with data, then the lines
//       "bytes N", "heap N" (peak live heap above the level before opening,
//       bytes), "rss-before KB" and "rss-peak KB"; for ours also "window N"
//       and "ppmd-model N", the parts of its memory budget in bytes.
#include "rar/bench/heap_counter.h"
#include "rar/bench/memory_budget.h"
#include "rar/format/archive.h"
#include "rar/format/status.h"
#include "rar/tests/sha256.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <vector>

namespace {

// Counts the decoded bytes and, when asked, prints each entry's digest.
class Tally final : public rar::ByteSink {
  public:
    explicit Tally(bool digests) : digests_(digests) {}

    void Write(const std::uint8_t* data, std::size_t size) override {
        bytes += size;
        entryBytes_ += size;
        if (digests_)
            hash_.Update(data, size);
    }

    void EndEntry() {
        if (digests_ && entryBytes_ != 0)
            std::printf("digest %s\n", hash_.HexDigest().c_str());
        hash_ = rar::test::Sha256();
        entryBytes_ = 0;
    }

    std::uint64_t bytes = 0;

  private:
    bool digests_;
    rar::test::Sha256 hash_;
    std::uint64_t entryBytes_ = 0;
};

bool HasData(const rar::Entry& entry) {
    return !entry.isDirectory && entry.link == rar::LinkKind::None;
}

void DecodeOurs(const char* path, Tally& tally) {
    rar::Archive archive(path);
    while (archive.NextEntry()) {
        if (HasData(archive.Current()))
            archive.Unpack(tally);
        tally.EndEntry();
    }
}

void DecodeLibarchive(const char* path, Tally& tally) {
    struct archive* a = archive_read_new();
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    if (archive_read_open_filename(a, path, 1 << 16) == ARCHIVE_OK) {
        std::vector<std::uint8_t> buffer(1 << 16);
        struct archive_entry* entry;
        while (archive_read_next_header(a, &entry) == ARCHIVE_OK) {
            la_ssize_t got;
            while ((got = archive_read_data(a, buffer.data(), buffer.size())) > 0)
                tally.Write(buffer.data(), static_cast<std::size_t>(got));
            tally.EndEntry();
        }
    }
    archive_read_free(a);
}

void Decode(bool ours, const char* path, Tally& tally) {
    if (ours)
        DecodeOurs(path, tally);
    else
        DecodeLibarchive(path, tally);
}

// The largest window and declared PPMd model over the entries we decode,
// from the headers alone.
void PrintBudgetParts(const char* path) {
    rar::Archive archive(path);
    std::ifstream raw(path, std::ios::binary);
    std::uint64_t window = 0;
    std::uint64_t model = 0;
    while (archive.NextEntry()) {
        const rar::Entry& entry = archive.Current();
        if (!HasData(entry) || entry.method == 0)
            continue;
        window = std::max(window, rar::bench::WindowNeeded(entry, archive.Info().solid));
        model = std::max(model, rar::bench::DeclaredPpmdModel(raw, entry));
    }
    std::printf("window %llu\nppmd-model %llu\n", static_cast<unsigned long long>(window),
                static_cast<unsigned long long>(model));
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// CPU time of this process: on a shared, loaded machine the wall clock
// measures the scheduler as much as the decoder.
double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A small archive decodes in well under a millisecond, where one pass
// measures first-touch page faults and cold caches rather than the decoder.
void Time(bool ours, const char* path) {
    constexpr double kEnough = 0.05;
    constexpr int kMostPasses = 1000;
    double best = 0, spent = 0;
    std::uint64_t bytes = 0;
    for (int pass = 0; pass < kMostPasses && (pass == 0 || spent < kEnough); ++pass) {
        Tally tally(false);
        const double start = CpuSeconds();
        Decode(ours, path, tally);
        const double took = CpuSeconds() - start;
        best = pass == 0 ? took : std::min(best, took);
        spent += took;
        bytes = tally.bytes;
    }
    std::printf("%llu %.7f\n", static_cast<unsigned long long>(bytes), best);
}

void Check(bool ours, const char* path) {
    // stdout would take its buffer from the heap on first use, mid-measurement.
    static char outBuffer[1 << 14];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    Tally tally(true);
    const long rssBefore = PeakRssKb();
    const std::int64_t heapBefore = rar::bench::HeapLive();
    rar::bench::ResetHeapPeak();
    Decode(ours, path, tally);
    const std::int64_t heap = rar::bench::HeapPeak() - heapBefore;
    std::printf("bytes %llu\nheap %lld\nrss-before %ld\nrss-peak %ld\n",
                static_cast<unsigned long long>(tally.bytes), static_cast<long long>(heap),
                rssBefore, PeakRssKb());
    if (ours)
        PrintBudgetParts(path);
}

} // namespace

int main(int argc, char** argv) {
    const bool valid = argc == 4 &&
                       (!std::strcmp(argv[1], "time") || !std::strcmp(argv[1], "check")) &&
                       (!std::strcmp(argv[2], "ours") || !std::strcmp(argv[2], "libarchive"));
    if (!valid) {
        std::fprintf(stderr, "usage: rar_bench time|check ours|libarchive ARCHIVE\n");
        return 2;
    }
    const bool ours = std::strcmp(argv[2], "ours") == 0;
    try {
        if (std::strcmp(argv[1], "time") == 0)
            Time(ours, argv[3]);
        else
            Check(ours, argv[3]);
    } catch (const rar::ArchiveError& e) {
        std::fprintf(stderr, "%s: %s\n", argv[3], e.what());
        return 1;
    }
    return 0;
}
