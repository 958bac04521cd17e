#include "services/picture_memory.h"

namespace brivel {

// The heap, where huge pages are not asked for: on Windows they need a
// privilege that a player does not have.
void* AllocatePictureMemory(std::size_t size) noexcept {
    return ::operator new(size, std::nothrow);
}

void FreePictureMemory(void* block, std::size_t /*size*/) noexcept {
    ::operator delete(block);
}

void AdviseHugePages(void* /*block*/, std::size_t /*size*/) noexcept {}

}  // namespace brivel
