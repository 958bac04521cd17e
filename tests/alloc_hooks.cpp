#include "alloc_hooks.h"

#include <atomic>
#include <cstdlib>
#include <new>

// The whole operator new/delete family goes, so that no block crosses
// allocators. GCC takes free() in a replacement operator delete for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<std::size_t> g_failAllocationsFrom{static_cast<std::size_t>(-1)};
std::atomic<std::size_t> g_allocationCount{0};
std::atomic<std::size_t> g_largestAllocation{0};

void* Allocate(std::size_t size) noexcept {
    g_allocationCount.fetch_add(1, std::memory_order_relaxed);
    std::size_t largest = g_largestAllocation.load(std::memory_order_relaxed);
    while (size > largest &&
           !g_largestAllocation.compare_exchange_weak(largest, size, std::memory_order_relaxed)) {
    }
    return size >= g_failAllocationsFrom.load(std::memory_order_relaxed)
               ? nullptr
               : std::malloc(size == 0 ? 1 : size);
}
}  // namespace

void* operator new(std::size_t size) {
    if (void* block = Allocate(size)) {
        return block;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

namespace brivel::testing {

std::size_t AllocationCount() {
    return g_allocationCount.load(std::memory_order_relaxed);
}

std::size_t TakeLargestAllocation() {
    return g_largestAllocation.exchange(0, std::memory_order_relaxed);
}

void SetAllocationFailureThreshold(std::size_t size) {
    g_failAllocationsFrom.store(size, std::memory_order_relaxed);
}

}  // namespace brivel::testing
