// libFuzzer entry for what `setupkit-build list` reads from a file it did
// not make: the PE headers and sections, the resource tree, the
// configuration resources and the archive inside. Any input must end in a
// listing or a BuildError, never a crash or a hang.
#include "builder/build_error.h"
#include "builder/setup_listing.h"

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string kPath = "/tmp/setupkit-fuzz-listing-" + std::to_string(getpid());
    std::FILE* file = std::fopen(kPath.c_str(), "wb");
    if (!file)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        return 0;
    std::ostringstream out;
    try {
        setupkit::builder::ListSetup(kPath, out);
    } catch (const setupkit::builder::BuildError&) {
    }
    std::remove(kPath.c_str());
    return 0;
}
