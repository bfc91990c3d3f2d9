// The table and aggregates the benchmark script prints, from raw figures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// One archive's raw figures, as scripts/bench-rar.sh writes them.
struct Row {
    std::string name = "a.rar", label = "v29";
    long bytes = 1 << 20;
    std::string dict = "4096", ppmd = "0", ours = "ok", oursSeconds = "0.01";
    long heap = 4 << 20;
    std::string rssBefore = "4000", rssPeak = "9000";
    long window = 4 << 20, model = 0;
    std::string la = "ok";
    long laBytes = 1 << 20;
    std::string laSeconds = "0.02", unar = "cannot", unarBytes = "0", unarSeconds = "-";

    std::string Line() const {
        return name + '\t' + label + '\t' + std::to_string(bytes) + '\t' + dict + '\t' + ppmd +
               '\t' + ours + '\t' + oursSeconds + '\t' + std::to_string(heap) + '\t' + rssBefore +
               '\t' + rssPeak + '\t' + std::to_string(window) + '\t' + std::to_string(model) +
               '\t' + la + '\t' + std::to_string(laBytes) + '\t' + laSeconds + '\t' + unar + '\t' +
               unarBytes + '\t' + unarSeconds + '\n';
    }
};

std::string Render(const std::vector<Row>& rows) {
    const auto input = std::filesystem::temp_directory_path() /
                       ("rar_bench_table_" + std::to_string(getpid()) + ".tsv");
    {
        std::ofstream out(input);
        for (const Row& row : rows)
            out << row.Line();
    }
    const std::string command = "awk -v runs=3 -v tiny=t.rar -v tiny_time=0.05 -f " +
                                std::string(BENCH_TABLE_AWK) + " " + input.string();
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, got);
        pclose(pipe);
    }
    std::filesystem::remove(input);
    return output;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(BenchTable, RatioIsThePeersTimeOverOurs) {
    const std::string out = Render({Row{}});
    EXPECT_TRUE(Has(out, "| a.rar | v29 | 1024 | 4096 | 100.0 | 50.0 | 2.00 | - | - |")) << out;
    EXPECT_TRUE(Has(out, "(a) the 1 archives libarchive decodes completely and correctly: "
                         "ours 100.0 MB/s, libarchive 50.0 MB/s, ratio 2.00"))
        << out;
}

TEST(BenchTable, APeerThatStopsShortCountsInNoAggregate) {
    Row fast;
    Row shortOne;
    shortOne.name = "b.rar";
    shortOne.la = "short";
    shortOne.laBytes = 1000;
    shortOne.laSeconds = "1.0";
    const std::string out = Render({fast, shortOne});
    EXPECT_TRUE(Has(out, "(short: 1000 of 1048576 bytes) | n/a |")) << out;
    EXPECT_TRUE(Has(out, "(a) the 1 archives")) << out;
    EXPECT_TRUE(Has(out, "ratio 2.00 (target")) << out;
    EXPECT_TRUE(Has(out, "(c) ours over all 2 archives with data: 100.0 MB/s")) << out;
}

TEST(BenchTable, ListsLargeArchivesWhereLibarchiveIsFaster) {
    Row slow;
    slow.oursSeconds = "0.04";
    Row small = slow;
    small.name = "small.rar";
    small.bytes = small.laBytes = 1000;
    const std::string out = Render({slow, small});
    EXPECT_TRUE(Has(out, "- a.rar: ours 25.0 MB/s, libarchive 50.0 MB/s")) << out;
    EXPECT_FALSE(Has(out, "- small.rar:")) << out;
}

TEST(BenchTable, MemoryOverWindowModelAndOneMegabyteIsOverBudget) {
    Row within;
    within.heap = (4 << 20) + (1 << 20);
    Row over = within;
    over.name = "over.rar";
    over.heap += 1;
    const std::string out = Render({within, over});
    EXPECT_TRUE(Has(out, "| 5120 | 5120 | yes |")) << out;
    EXPECT_TRUE(Has(out, "- over.rar: 5120 KB used, budget 5120 KB")) << out;
    EXPECT_FALSE(Has(out, "- a.rar: 5120 KB used")) << out;
}

TEST(BenchTable, PpmdWithoutADeclaredModelGetsTheLargestOneMarked) {
    Row declared;
    declared.ppmd = "1";
    declared.model = 8 << 20;
    Row undeclared = declared;
    undeclared.name = "u.rar";
    undeclared.model = 0;
    const std::string out = Render({declared, undeclared});
    EXPECT_TRUE(
        Has(out, "| a.rar | v29 | 1024 | 4096 | 100.0 | 50.0 | 2.00 | - | - | 4096 | 13312 |"))
        << out;
    EXPECT_TRUE(Has(out, "| 4096 | 267264* |")) << out;
    EXPECT_TRUE(Has(out, "budget*:")) << out;
}

TEST(BenchTable, OurFailuresAreListedAndLeftOutOfTheAggregates) {
    Row failed;
    failed.ours = "failed";
    failed.oursSeconds = "-";
    Row wrong;
    wrong.name = "w.rar";
    wrong.ours = "wrong";
    const std::string out = Render({failed, wrong});
    EXPECT_TRUE(Has(out, "| a.rar | v29 | 1024 | 4096 | FAILED |")) << out;
    EXPECT_TRUE(Has(out, "100.0 WRONG DATA")) << out;
    EXPECT_TRUE(Has(out, "- a.rar (failed)")) << out;
    EXPECT_TRUE(Has(out, "- w.rar (wrong data)")) << out;
    EXPECT_TRUE(Has(out, "(c) ours over all 0 archives")) << out;
}

} // namespace
