#include "module/interrupt_poll.hpp"

#include <Python.h>

#include <nanobind/nanobind.h>

#include "module/input_snapshots.hpp"

namespace veltrocamber {

void check_interrupt() {
    // Signal handlers run only on a thread that holds the interpreter lock
    // (it has a current thread state); the check is a no-op on any other.
#if PY_VERSION_HEX >= 0x030D0000
    if (PyThreadState_GetUnchecked() == nullptr)
#else
    if (_PyThreadState_UncheckedGet() == nullptr)
#endif
        return;
    // Signal handlers and the garbage collector run Python code, which may
    // edit a list that a batch still reads in place.
    guard_deferred_snapshots();
    if (PyErr_CheckSignals() != 0)
        throw nanobind::python_error();
}

}  // namespace veltrocamber
