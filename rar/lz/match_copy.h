#pragma once
// Copying a match inside a dictionary, when neither end crosses the end of
// the buffer: the one loop every decoder spends most of its time in.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace rar {

namespace match_copy {

// A short pattern repeated, or a long stretch: each memcpy doubles the
// distance that the next one may copy in one go.
inline void CopyDoubling(std::uint8_t* out, const std::uint8_t* in, std::size_t length) {
    while (length != 0) {
        const std::size_t span = static_cast<std::size_t>(out - in);
        const std::size_t chunk = span < length ? span : length;
        std::memcpy(out, in, chunk);
        out += chunk;
        length -= chunk;
    }
}

// Whole chunks, then one last chunk that ends exactly at the end: its source
// lies before it, so it reads only finished bytes. Needs a distance and a
// length of at least `Chunk`.
template <std::size_t Chunk>
inline void CopyChunks(std::uint8_t* out, const std::uint8_t* in, std::size_t length) {
    for (std::size_t i = 0; i + Chunk < length; i += Chunk)
        std::memcpy(out + i, in + i, Chunk);
    std::memcpy(out + length - Chunk, in + length - Chunk, Chunk);
}

// Two copies of `Size` bytes, one at each end, overlapping in the middle:
// any length from `Size` to twice that, for a source that ends before the
// destination starts.
template <std::size_t Size>
inline void CopyEnds(std::uint8_t* out, const std::uint8_t* in, std::size_t length) {
    std::uint8_t head[Size];
    std::uint8_t tail[Size];
    std::memcpy(head, in, Size);
    std::memcpy(tail, in + length - Size, Size);
    std::memcpy(out, head, Size);
    std::memcpy(out + length - Size, tail, Size);
}

// Up to 64 bytes from a source that ends before the destination starts.
inline void CopyShortDisjoint(std::uint8_t* out, const std::uint8_t* in, std::size_t length) {
    if (length >= 32)
        CopyEnds<32>(out, in, length);
    else if (length >= 16)
        CopyEnds<16>(out, in, length);
    else if (length >= 8)
        CopyEnds<8>(out, in, length);
    else if (length >= 4)
        CopyEnds<4>(out, in, length);
    else if (length >= 2)
        CopyEnds<2>(out, in, length);
    else if (length == 1)
        out[0] = in[0];
}

} // namespace match_copy

// Writes `length` bytes to `out`, each the byte found `out - in` places
// before it, so that a source overlapping the destination repeats its
// pattern. A source after the destination (one that has wrapped round to the
// far end of the ring) is copied front to back as well; a source that is the
// destination itself (a distance of a whole ring) leaves the bytes as they are.
inline void CopyMatch(std::uint8_t* out, const std::uint8_t* in, std::size_t length) {
    using namespace match_copy;
    if (in >= out) {
        std::memmove(out, in, length);
        return;
    }
    const std::size_t distance = static_cast<std::size_t>(out - in);
    if (length <= 64 && distance >= length)
        CopyShortDisjoint(out, in, length);
    else if (length > 64 || (distance < 8 && length >= 16))
        CopyDoubling(out, in, length);
    else if (distance >= 32)
        CopyChunks<32>(out, in, length);
    else if (distance >= 16)
        CopyChunks<16>(out, in, length);
    else if (distance >= 8)
        CopyChunks<8>(out, in, length);
    else
        for (std::size_t i = 0; i < length; ++i)
            out[i] = in[i];
}

} // namespace rar
