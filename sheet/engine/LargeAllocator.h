#pragma once

// An allocator for the few large arrays a sheet fills as it is read (its cells). Memory the
// program has not touched yet costs a page fault per 4 KiB page on first use, and faults are
// dear (in a virtual machine most of all): filling 16 MB of cells took as long as parsing them.
// On Linux, blocks of 2 MiB and more are mapped on a 2 MiB boundary and offered to the kernel
// for huge pages, so they fault once per 2 MiB; elsewhere, and for smaller blocks, this is the
// standard allocator. Untouched room still takes no memory.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace lomandra::engine {

template <typename T>
class LargeAllocator {
 public:
  using value_type = T;
  static constexpr std::size_t kHugePage = std::size_t{2} << 20;

  LargeAllocator() = default;
  template <typename U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
#ifdef __linux__
    if (n >= kHugePage / sizeof(T) && n <= SIZE_MAX / sizeof(T) - kHugePage) {
      const std::size_t bytes = mappedBytes(n);
      void* mapped = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (mapped == MAP_FAILED) throw std::bad_alloc();
      // Keep the part that starts on a 2 MiB boundary; give back what lies before and after.
      const auto start = reinterpret_cast<std::uintptr_t>(mapped);
      const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t{kHugePage - 1};
      if (aligned > start) munmap(mapped, aligned - start);
      const std::uintptr_t tail = aligned + bytes, end = start + bytes + kHugePage;
      if (end > tail) munmap(reinterpret_cast<void*>(tail), end - tail);
      madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);  // advice: may be refused
      return reinterpret_cast<T*>(aligned);
    }
#endif
    return std::allocator<T>{}.allocate(n);
  }

  void deallocate(T* p, std::size_t n) noexcept {
#ifdef __linux__
    if (n >= kHugePage / sizeof(T) && n <= SIZE_MAX / sizeof(T) - kHugePage) {
      munmap(p, mappedBytes(n));
      return;
    }
#endif
    std::allocator<T>{}.deallocate(p, n);
  }

  /// Gives back to the system the pages of a block of `capacity` elements from this allocator
  /// that lie wholly past its first `used` elements (a huge page partly used is split): the
  /// room stays, untouched, and costs no memory until it is used again.
  static void releaseUnused(T* p, std::size_t used, std::size_t capacity) noexcept {
#ifdef __linux__
    if (capacity >= kHugePage / sizeof(T) && capacity <= SIZE_MAX / sizeof(T) - kHugePage) {
      constexpr std::uintptr_t kPage = 4096;
      const auto from = (reinterpret_cast<std::uintptr_t>(p + used) + kPage - 1) & ~(kPage - 1);
      const std::uintptr_t to = reinterpret_cast<std::uintptr_t>(p) + mappedBytes(capacity);
      if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
    }
#else
    (void)p, (void)used, (void)capacity;
#endif
  }

  template <typename U>
  bool operator==(const LargeAllocator<U>&) const noexcept {
    return true;
  }

 private:
  static std::size_t mappedBytes(std::size_t n) {
    return (n * sizeof(T) + kHugePage - 1) & ~(kHugePage - 1);
  }
};

}  // namespace lomandra::engine
