// The _swar extension module: its definition for multi-phase initialisation
// and the execution slot that fills it.
//
// The definition is written out by hand so that it carries exactly what the
// module needs: no per-module state, one execution slot, and no support for
// subinterpreters. nanobind's shared runtime is attached to the module by
// register_module() (see run_module_exec), which anchors its reference in
// the module dictionary.
#include <Python.h>

#include <nanobind/nanobind.h>

#include "module/binding_table.hpp"
#include "module/calling_thread.hpp"
#include "module/memory_errors.hpp"
#include "module/module_exec.hpp"

namespace nb = nanobind;

namespace {

int exec_module(PyObject *module) {
    return veltrocamber::run_module_exec(module, [](nb::module_ m) {
        veltrocamber::ready_module_exec_thread();
        veltrocamber::register_memory_error_translator();
        veltrocamber::define_module(m, "64-bit SWAR Farrar alignment backend.");
    });
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void *>(&exec_module)},
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "_swar",       // m_name
    nullptr,       // m_doc: the execution slot sets __doc__
    0,             // m_size: no per-module state
    nullptr,       // m_methods
    module_slots,  // m_slots
    nullptr,       // m_traverse
    nullptr,       // m_clear
    nullptr,       // m_free: the runtime reference is released with the module dictionary
};

}  // namespace

extern "C" [[maybe_unused]] NB_EXPORT PyObject *PyInit__swar();
extern "C" PyObject *PyInit__swar() { return PyModuleDef_Init(&module_def); }
