// Runs a fuzz target's entry point over saved inputs without libFuzzer, so
// that every input that once crashed, and a small set that reaches deep into
// the decoders, is checked on every test run by the ordinary sanitized build.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputsIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> inputs;
    for (const auto& item : std::filesystem::directory_iterator(folder))
        if (item.is_regular_file())
            inputs.push_back(item.path());
    return inputs;
}

void Replay(const std::filesystem::path& input) {
    std::ifstream file(input, std::ios::binary);
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file), {}};
    LLVMFuzzerTestOneInput(data.data(), data.size());
}

} // namespace

// Each argument is a folder of inputs; one that holds none is a mistake in
// the test's set-up, not a pass.
int main(int argc, char** argv) {
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const auto inputs = InputsIn(argv[i]);
        if (inputs.empty()) {
            std::fprintf(stderr, "no inputs in %s\n", argv[i]);
            return 1;
        }
        for (const auto& input : inputs)
            Replay(input);
        replayed += inputs.size();
    }
    std::printf("%zu inputs replayed\n", replayed);
    return 0;
}
