// The _cpu extension module: the backend catalogue as seen from Python.
#include <Python.h>

#include <string>

#include <nanobind/nanobind.h>
#include <nanobind/stl/vector.h>

#include "cpu/backend_catalogue.hpp"
#include "module/module_exec.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

void define_cpu_module(nb::module_ m) {
    nb::enum_<BackendKind> kind(m, "BackendKind");
    for (const BackendNameRow &row : backend_names) {
        // Member names are the upper-case spelling of the record names.
        std::string member;
        for (const char *c = row.name; *c; ++c)
            member.push_back(*c >= 'a' && *c <= 'z' ? static_cast<char>(*c - 'a' + 'A') : *c);
        kind.value(member.c_str(), row.kind);
    }

    nb::class_<BackendRecord>(m, "BackendRecord")
        .def_ro("kind", &BackendRecord::kind)
        .def_prop_ro("name", [](const BackendRecord &r) { return nb::str(r.name); })
        .def_ro("compiled", &BackendRecord::compiled)
        .def_ro("available", &BackendRecord::available);

    m.def("detect_best_backend", &detect_best_backend);
    m.def("backend_is_available", &backend_is_available, nb::arg("kind"));
    m.def("available_backends", &available_backends);
}

int exec_cpu_module(PyObject *module) { return run_module_exec(module, define_cpu_module); }

PyModuleDef_Slot cpu_module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void *>(&exec_cpu_module)},
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
    {0, nullptr},
};

PyModuleDef cpu_module_def = {
    PyModuleDef_HEAD_INIT, "_cpu", nullptr, 0, nullptr, cpu_module_slots, nullptr, nullptr, nullptr,
};

}  // namespace
}  // namespace veltrocamber

extern "C" [[maybe_unused]] NB_EXPORT PyObject *PyInit__cpu();
extern "C" PyObject *PyInit__cpu() { return PyModuleDef_Init(&veltrocamber::cpu_module_def); }
