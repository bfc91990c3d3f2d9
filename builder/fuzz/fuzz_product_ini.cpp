// libFuzzer entry for product.ini as a vendor's editor may leave it: any
// bytes are read and checked into findings, never a crash.
#include "builder/product.h"
#include "builder/product_check.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const setupkit::builder::ProductDescription description =
        setupkit::builder::ReadProductDescription(text);
    setupkit::builder::CheckDescription(description);
    description.Resources();
    return 0;
}
