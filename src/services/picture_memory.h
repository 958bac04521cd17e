#pragma once

// Memory for a whole picture's bytes: the inflated rows, a bitmap. A
// photograph's take tens of megabytes, which the system hands out page by page
// on first touch; where it offers huge pages, large blocks ask for them, so
// that touching one costs a page fault per 2 MB rather than per 4 KB.

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace brivel {

// A block of size bytes, not cleared; null when it cannot be had.
void* AllocatePictureMemory(std::size_t size) noexcept;
// Gives back a block of AllocatePictureMemory with the size it was asked for.
void FreePictureMemory(void* block, std::size_t size) noexcept;
// Asks that the whole huge pages inside a block the caller holds, about to
// be filled at once (a photo's file read whole), come as huge pages, as
// AllocatePictureMemory's do. Advice only: the block works either way.
void AdviseHugePages(void* block, std::size_t size) noexcept;

// Picture memory for a vector, whose growth leaves the new elements as they
// were: a decoder writes every byte, and clearing tens of megabytes first
// would cost a pass of its own.
template <typename T>
struct PictureAllocator {
    using value_type = T;

    PictureAllocator() = default;
    template <typename U>
    PictureAllocator(const PictureAllocator<U>& /*other*/) noexcept {}

    T* allocate(std::size_t count) {
        void* block = count <= static_cast<std::size_t>(-1) / sizeof(T)
                          ? AllocatePictureMemory(count * sizeof(T))
                          : nullptr;
        if (block == nullptr) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t count) noexcept {
        FreePictureMemory(block, count * sizeof(T));
    }
    template <typename U>
    void construct(U* at) noexcept {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const PictureAllocator<U>& /*other*/) const noexcept {
        return true;
    }
    template <typename U>
    bool operator!=(const PictureAllocator<U>& /*other*/) const noexcept {
        return false;
    }
};

using PictureBytes = std::vector<std::uint8_t, PictureAllocator<std::uint8_t>>;

}  // namespace brivel
