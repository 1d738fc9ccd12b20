// Private to the engine: the memory a snapshot's rows are encoded into.
// Rows are written once into large blocks and never moved, so a row is
// found again by a 64-bit reference and a million rows cost a handful of
// allocations instead of a million.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace engine {

// Bytes of many rows in large blocks; a row never spans blocks.
class RowArena {
public:
    using Ref = std::uint64_t; // block index << 32 | offset
    char* Allocate(std::size_t bytes, Ref& ref);
    const char* Data(Ref ref) const { return m_blocks[ref >> 32].data.get() + (ref & 0xFFFFFFFFu); }
    std::size_t MemoryBytes() const;

private:
    struct Block {
        std::unique_ptr<char[]> data;
        std::size_t capacity = 0;
        std::size_t used = 0;
    };
    std::vector<Block> m_blocks;
};

} // namespace engine
