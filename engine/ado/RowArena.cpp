// The row arena: blocks filled in order, the first small and each next one
// twice the last up to 1 MiB, so that a selection of a few rows holds a few
// KiB while a million rows still cost a handful of large allocations. A row
// larger than the next block gets a block of its own size.
#include "engine/ado/RowArena.h"

#include <algorithm>

namespace engine {

char* RowArena::Allocate(std::size_t bytes, Ref& ref)
{
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < bytes) {
        Block block;
        block.capacity = std::max(bytes, m_nextBlock);
        block.data.reset(new char[block.capacity]);
        m_blocks.push_back(std::move(block));
        m_nextBlock = std::min(m_nextBlock * 2, kLargestBlock);
    }
    Block& block = m_blocks.back();
    ref = (Ref(m_blocks.size() - 1) << 32) | block.used;
    char* p = block.data.get() + block.used;
    block.used += bytes;
    return p;
}

std::size_t RowArena::MemoryBytes() const
{
    std::size_t total = m_blocks.capacity() * sizeof(Block);
    for (const Block& b : m_blocks)
        total += b.capacity;
    return total;
}

} // namespace engine
