// What the free-notification hook costs every allocation/release pair of the
// program. The global operator new/delete are the replaced ones, so the pairs
// take the setup program's own path: operator -> manager record -> (hook ->)
// the runtime's allocator.
#include "lib/free_hook.h"
#include "lib/memory_manager.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

namespace {

using namespace setupkit;

void NewDeletePairs(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        char* block = new char[size];
        benchmark::DoNotOptimize(block);
        delete[] block;
    }
}

void NoHook(benchmark::State& state) {
    NewDeletePairs(state);
}

void HookEmptyWatchList(benchmark::State& state) {
    FreeHookInstallation hook;
    NewDeletePairs(state);
}

void Ignore(void*, void*) {}

// A busy watch list for comparison: the search grows with its logarithm.
void HookThousandWatches(benchmark::State& state) {
    FreeHookInstallation hook;
    std::vector<char*> watched;
    for (int i = 0; i < 1000; ++i) {
        watched.push_back(new char[16]);
        WatchFree(watched.back(), Ignore, nullptr);
    }
    NewDeletePairs(state);
    for (char* block : watched)
        UnwatchFree(block, Ignore, nullptr);
    for (char* block : watched)
        delete[] block;
}

BENCHMARK(NoHook)->Arg(16)->Arg(256);
BENCHMARK(HookEmptyWatchList)->Arg(16)->Arg(256);
BENCHMARK(HookThousandWatches)->Arg(16)->Arg(256);

} // namespace

BENCHMARK_MAIN();
