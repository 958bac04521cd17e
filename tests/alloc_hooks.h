#pragma once

// The test program's allocator (alloc_hooks.cpp replaces operator new and
// delete for the whole program): counts allocations and fails large ones on
// demand.

#include <cstddef>

namespace brivel::testing {

// Allocations made by operator new so far.
std::size_t AllocationCount();
// The largest size asked of operator new since the last call (failed ones too).
std::size_t TakeLargestAllocation();
void SetAllocationFailureThreshold(std::size_t size);

// While one lives, every allocation of at least `size` bytes fails; small
// ones (message texts) still succeed.
class FailAllocationsFrom {
public:
    explicit FailAllocationsFrom(std::size_t size) { SetAllocationFailureThreshold(size); }
    ~FailAllocationsFrom() { SetAllocationFailureThreshold(static_cast<std::size_t>(-1)); }
    FailAllocationsFrom(const FailAllocationsFrom&) = delete;
    FailAllocationsFrom& operator=(const FailAllocationsFrom&) = delete;
};

}  // namespace brivel::testing
