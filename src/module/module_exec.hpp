// The execution slot shared by the extension modules of the package.
//
// It attaches nanobind's shared runtime to the module, then runs the
// module's definition. A Python error raised while defining is chained under
// ImportError "Encountered an error while initializing the extension."; any
// other exception becomes an ImportError carrying its message. Returns 0 on
// success, -1 with the error set.
#pragma once

#include <Python.h>

#include <exception>

#include <nanobind/nanobind.h>

namespace veltrocamber {

template <typename Define>
int run_module_exec(PyObject *module, Define &&define) noexcept {
    if (!nanobind::register_module(module))
        return -1;
    try {
        define(nanobind::borrow<nanobind::module_>(module));
        return 0;
    } catch (nanobind::python_error &e) {
        e.restore();
        nanobind::chain_error(PyExc_ImportError, "Encountered an error while initializing the extension.");
    } catch (const std::exception &e) {
        PyErr_SetString(PyExc_ImportError, e.what());
    }
    return -1;
}

}  // namespace veltrocamber
