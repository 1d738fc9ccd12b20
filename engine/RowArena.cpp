// The row arena: 1 MiB blocks, filled in order; a row larger than a block
// gets a block of its own.
#include "engine/RowArena.h"

namespace engine {

namespace {

constexpr std::size_t kBlockSize = std::size_t(1) << 20;

} // namespace

char* RowArena::Allocate(std::size_t bytes, Ref& ref)
{
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < bytes) {
        Block block;
        block.capacity = bytes > kBlockSize ? bytes : kBlockSize;
        block.data.reset(new char[block.capacity]);
        m_blocks.push_back(std::move(block));
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
