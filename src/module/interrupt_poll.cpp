#include "module/interrupt_poll.hpp"

#include <Python.h>

#include <nanobind/nanobind.h>

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
    if (PyErr_CheckSignals() != 0)
        throw nanobind::python_error();
}

}  // namespace veltrocamber
