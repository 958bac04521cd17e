#include "services/picture_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace brivel {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Smaller blocks come from the heap, which keeps and reuses them.
constexpr std::size_t kFromTheSystem = 4 * kHugePage;

// AddressSanitizer watches heap blocks only: under it every block is one.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRIVEL_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(BRIVEL_ADDRESS_SANITIZER)
constexpr bool kHeapOnly = true;
#else
constexpr bool kHeapOnly = false;
#endif

bool FromTheSystem(std::size_t size) {
    return !kHeapOnly && size >= kFromTheSystem;
}

std::size_t WholeHugePages(std::size_t size) {
    return (size + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void* AllocatePictureMemory(std::size_t size) noexcept {
    if (!FromTheSystem(size)) {
        return ::operator new(size, std::nothrow);
    }
    if (size > static_cast<std::size_t>(-1) - 2 * kHugePage) {
        return nullptr;
    }
    // Huge pages back only aligned ranges: map one more, keep the aligned part.
    const std::size_t length = WholeHugePages(size);
    void* mapped = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return nullptr;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t{kHugePage - 1};
    if (aligned > start) {
        ::munmap(mapped, aligned - start);
    }
    const std::uintptr_t end = start + length + kHugePage;
    if (end > aligned + length) {
        ::munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    }
    auto* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    // Advice only: without huge pages the block still works, page by page.
    ::madvise(block, length, MADV_HUGEPAGE);
#endif
    return block;
}

void AdviseHugePages(void* block, std::size_t size) noexcept {
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kHugePage - 1) & ~std::uintptr_t{kHugePage - 1};
    const std::uintptr_t end = (start + size) & ~std::uintptr_t{kHugePage - 1};
    if (block != nullptr && size <= UINTPTR_MAX - start && end > first) {
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
#else
    (void)block;
    (void)size;
#endif
}

void FreePictureMemory(void* block, std::size_t size) noexcept {
    if (block == nullptr) {
        return;
    }
    if (!FromTheSystem(size)) {
        ::operator delete(block);
        return;
    }
    ::munmap(block, WholeHugePages(size));
}

}  // namespace brivel
