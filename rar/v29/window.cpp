#include "rar/v29/window.h"

#include "rar/lz/decoder.h"

#include <algorithm>

namespace rar::v29 {

namespace {

// Filter blocks of up to 0x3C000 bytes must fit between the written border
// and the decoding position, whatever dictionary the archive declares.
constexpr std::size_t kMinWindow = 0x40000;

} // namespace

void Window::Allocate(std::size_t size) {
    std::size_t rounded = kMinWindow;
    while (rounded < size) {
        if (rounded > SIZE_MAX / 2)
            throw MemoryError("dictionary too large");
        rounded *= 2;
    }
    if (data_ && Size() == rounded)
        return;
    // Zeroed pages straight from the system: untouched parts of a large
    // dictionary cost nothing, and no earlier memory shows through a match
    // that reaches before the data.
    data_.reset(static_cast<std::uint8_t*>(std::calloc(rounded, 1)));
    if (!data_)
        throw MemoryError("cannot allocate the dictionary");
    mask_ = rounded - 1;
}

void Window::Read(std::uint64_t from, std::size_t size, std::uint8_t* out) const {
    while (size != 0) {
        std::size_t chunk = size;
        const std::uint8_t* span = Span(from, chunk);
        std::memcpy(out, span, chunk);
        out += chunk;
        from += chunk;
        size -= chunk;
    }
}

const std::uint8_t* Window::Span(std::uint64_t from, std::size_t& size) const {
    std::size_t offset = static_cast<std::size_t>(from) & mask_;
    size = std::min(size, Size() - offset);
    return data_.get() + offset;
}

} // namespace rar::v29
