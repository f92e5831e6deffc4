// MemoryError texts that say what could not be held, never the C++
// exception's own ("std::bad_alloc").
//
// - A block refused by the memory guard (MemoryRefusal) becomes MemoryError
//   "<function>: <what the guard refused>" in a body that runs its work
//   through name_memory_refusals, e.g. "smith_waterman_path: a traceback
//   matrix of 100001 x 100001 cells (9.3 GiB) exceeds the memory available
//   (7.8 GiB)".
// - Any other allocation failure, and a refusal outside such a body, is
//   translated once for every call: MemoryError with the refusal's text, or
//   "not enough memory to complete the call".
#pragma once

#include <utility>

#include "module/memory_guard.hpp"

namespace veltrocamber {

// Registers the translation above with nanobind; idempotent, called at
// module execution.
void register_memory_error_translator();

// Sets MemoryError "<function>: <refusal>" and throws python_error.
[[noreturn]] void raise_memory_refusal(const char *function, const MemoryRefusal &refusal);

// Runs `call`, turning a MemoryRefusal into the MemoryError that names
// `function`.
template <typename Call>
decltype(auto) name_memory_refusals(const char *function, Call &&call) {
    try {
        return std::forward<Call>(call)();
    } catch (const MemoryRefusal &refusal) {
        raise_memory_refusal(function, refusal);
    }
}

}  // namespace veltrocamber
