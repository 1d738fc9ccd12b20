// Private to the engine: the memory a snapshot's rows are encoded into.
// Rows are written once into blocks and never moved, so a row is found
// again by a 64-bit reference. The blocks grow geometrically from a small
// first one to a large one, so that a few rows hold little memory and a
// million rows cost a handful of allocations instead of a million.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace engine {

// Bytes of many rows in blocks; a row never spans blocks.
class RowArena {
public:
    static constexpr std::size_t kFirstBlock = std::size_t(4) << 10;
    static constexpr std::size_t kLargestBlock = std::size_t(1) << 20;

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
    std::size_t m_nextBlock = kFirstBlock; // capacity of the next block, unless a row needs more
};

} // namespace engine
