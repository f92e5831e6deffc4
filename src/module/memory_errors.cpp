#include "module/memory_errors.hpp"

#include <Python.h>

#include <exception>
#include <new>

#include <nanobind/nanobind.h>

namespace veltrocamber {

namespace {

void translate_memory_errors(const std::exception_ptr &exception, void *) {
    try {
        std::rethrow_exception(exception);
    } catch (const MemoryRefusal &refusal) {
        PyErr_SetString(PyExc_MemoryError, refusal.what());
    } catch (const std::bad_alloc &) {
        PyErr_SetString(PyExc_MemoryError, "not enough memory to complete the call");
    }
}

}  // namespace

void register_memory_error_translator() {
    // nanobind keeps its translators for the whole process; a module
    // executed again (imported anew) must not add a second copy.
    static bool registered = false;
    if (registered)
        return;
    nanobind::register_exception_translator(&translate_memory_errors);
    registered = true;
}

void raise_memory_refusal(const char *function, const MemoryRefusal &refusal) {
    PyErr_Format(PyExc_MemoryError, "%s: %s", function, refusal.what());
    throw nanobind::python_error();
}

}  // namespace veltrocamber
