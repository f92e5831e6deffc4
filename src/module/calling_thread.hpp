// Every call readies its thread before it allocates anything large.
//
// The module is loaded at run time, and so is the C++ runtime it links, so
// their thread-local storage is allocated lazily: in each thread, on first
// use. The runtime's per-thread exception state is first used by the first
// exception a thread throws, and the module's own thread-locals by the first
// interrupt check or Farrar channel. When such an allocation fails, the C
// library ends the process ("cannot allocate memory for thread-local data")
// instead of reporting it, and a call that runs out of memory is exactly
// where the first exception is thrown. So the thread that runs the module's
// execution slot, and any other thread at the start of each call, touches
// all of that storage first, while the allocation is a few hundred bytes
// that the call has not yet used up: a call that later runs out of memory
// raises MemoryError, and the process lives on.
#pragma once

#include <pthread.h>

namespace veltrocamber {

// Touches the thread-local storage above on the calling thread, once per
// thread. May raise MemoryError (the Farrar channel's code tables).
void ready_calling_thread();

// The thread that ran the execution slot, readied there.
extern pthread_t ready_module_thread;

// A nanobind call guard: readies the calling thread before the body runs.
// On the thread that loaded the module, the common case, a comparison of
// thread ids.
struct CallingThreadReady {
    CallingThreadReady() {
        if (!pthread_equal(pthread_self(), ready_module_thread))
            ready_calling_thread();
    }
};

// At module execution: readies the calling thread and remembers it.
void ready_module_exec_thread();

}  // namespace veltrocamber
