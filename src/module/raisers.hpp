// Raising Python exceptions from C++.
//
// Every helper sets the Python error first and then throws nanobind's
// python_error, which takes the pending error over; nanobind's dispatcher
// turns it back into a NULL return with the exception still set. The message
// is passed through unchanged, with no prefix.
#pragma once

#include <Python.h>
#include <nanobind/nanobind.h>

namespace veltrocamber {

[[noreturn]] inline void raise_python(PyObject *type, const char *message) {
    PyErr_SetString(type, message);
    throw nanobind::python_error();
}

[[noreturn]] inline void raise_value_error(const char *message) { raise_python(PyExc_ValueError, message); }
[[noreturn]] inline void raise_type_error(const char *message) { raise_python(PyExc_TypeError, message); }
[[noreturn]] inline void raise_overflow_error(const char *message) { raise_python(PyExc_OverflowError, message); }
[[noreturn]] inline void raise_runtime_error(const char *message) { raise_python(PyExc_RuntimeError, message); }
[[noreturn]] inline void raise_not_implemented_error(const char *message) {
    raise_python(PyExc_NotImplementedError, message);
}
[[noreturn]] inline void raise_memory_error() {
    PyErr_NoMemory();
    throw nanobind::python_error();
}

// Turns an error that CPython has already set (a NULL or -1 return) into the
// C++ exception that carries it.
[[noreturn]] inline void raise_pending() { throw nanobind::python_error(); }

}  // namespace veltrocamber
