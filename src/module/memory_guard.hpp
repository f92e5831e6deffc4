// The guard in front of every block whose size grows with the product of the
// input lengths (traceback matrices, the unrestricted Damerau-Levenshtein
// table), and of the tables that grow with one long input (the pattern masks
// of the edit distances on token sequences): such a block is sized with
// overflow-checked arithmetic and refused before anything is allocated or
// computed when it cannot be held. Without the guard an overcommitting
// system hands out the block and the process is killed once the fill touches
// it, or a call runs its whole score pass only to fail at the allocation.
//
// The memory available is the smallest of
// - the machine's physical memory;
// - the address-space limit (RLIMIT_AS, `ulimit -v`) less what the process
//   already maps;
// - the memory limit of the process's cgroup or of any cgroup above it
//   (cgroup v2 memory.max, v1 memory.limit_in_bytes), where one is set.
// Physical memory and the cgroup limit are read once per process; the
// address-space limit and the mapped size at every check of a block above
// 1 MiB.
//
// No Python here: a refusal is a C++ exception (MemoryRefusal, a
// std::bad_alloc) that the bindings turn into MemoryError with its text.
#pragma once

#include <cstdint>
#include <new>

namespace veltrocamber {

// Bytes a new block may take, as above (UINT64_MAX when nothing can be read).
uint64_t available_memory_bytes() noexcept;

// The three sources, for tests and messages: UINT64_MAX where a source sets
// no limit.
uint64_t physical_memory_bytes() noexcept;
uint64_t address_space_headroom_bytes() noexcept;
uint64_t cgroup_memory_limit_bytes() noexcept;

// A block refused before it was allocated. what() says what could not be
// held, e.g. "a traceback matrix of 100001 x 100001 cells (9.3 GiB) exceeds
// the memory available (7.8 GiB)", or for a table sized by one input, "the
// pattern masks of 300000 tokens (11.4 MiB) exceed the memory available
// (8.0 MiB)".
class MemoryRefusal : public std::bad_alloc {
  public:
    // `block` names the block ("a traceback matrix"); `bytes` is its size,
    // or 0 when the size does not fit in 64 bits.
    MemoryRefusal(const char *block, uint64_t rows, uint64_t columns, uint64_t bytes, uint64_t available) noexcept;
    // `table` names a table of `count` `unit` ("the pattern masks", 300000,
    // "tokens"), which `verb` ("exceed") agrees with.
    MemoryRefusal(const char *table, uint64_t count, const char *unit, const char *verb, uint64_t bytes,
                  uint64_t available) noexcept;
    const char *what() const noexcept override { return message_; }

  private:
    char message_[192];
};

// The bytes of a block of rows x columns cells of cell_bytes bytes each.
// Throws MemoryRefusal when that count overflows or exceeds
// available_memory_bytes().
uint64_t guarded_block_bytes(const char *block, uint64_t rows, uint64_t columns, uint64_t cell_bytes);

// The same for the pattern masks of a sequence of `tokens` tokens, which
// take `bytes` bytes in all (UINT64_MAX when that count overflowed). Masks
// of a few pages, which every short token pair builds, fit wherever the
// call got this far: only larger ones are weighed.
void weigh_pattern_masks(uint64_t tokens, uint64_t bytes);
inline void guard_pattern_masks(uint64_t tokens, uint64_t bytes) {
    if (bytes > (uint64_t{1} << 16))
        weigh_pattern_masks(tokens, bytes);
}

}  // namespace veltrocamber
