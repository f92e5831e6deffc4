#include "module/calling_thread.hpp"

#include <exception>

#include "module/farrar_preprocess.hpp"

namespace veltrocamber {

pthread_t ready_module_thread{};

namespace {

// The first access to any thread-local of the module allocates the
// module's block of them in this thread, the list of deferred target
// snapshots included; the Farrar code tables also allocate their tables and
// register their destructors at their first use.
thread_local bool thread_ready = false;

}  // namespace

void ready_calling_thread() {
    if (thread_ready)
        return;
    // Asks the C++ runtime for this thread's exception state. The function
    // is declared pure, so an unused result would let the call be dropped.
    [[maybe_unused]] volatile int uncaught = std::uncaught_exceptions();
    ready_farrar_thread_tables();
    thread_ready = true;
}

void ready_module_exec_thread() {
    ready_calling_thread();
    ready_module_thread = pthread_self();
}

}  // namespace veltrocamber
