// The type slots that let a bound class holding Python objects take part in
// garbage collection, so that a reference cycle through one of its instances
// (a caller's object that refers back to the result holding it) is freed.
//
// nanobind makes a class given Py_tp_traverse a collected type. The class
// supplies two functions of its C++ record:
//   Visit(const T &, visitproc, void *) -> int   visits every Python object
//       the record owns a reference to (Py_VISIT on each);
//   Clear(T &) -> void                           drops those references,
//       leaving the record valid for its destructor and for any method still
//       called on it (a finalizer in the same cycle may call one).
// Both may be member functions. An instance whose constructor has not
// completed (a collection run while __init__ converts its arguments) holds
// nothing yet: neither function is called for it.
#pragma once

#include <Python.h>

#include <functional>
#include <utility>

#include <nanobind/nanobind.h>

namespace veltrocamber {
namespace garbage_collection_detail {

template <typename T, auto Visit>
int traverse(PyObject *self, visitproc visit, void *arg) {
    // Instances of a heap type own a reference to it.
    Py_VISIT(Py_TYPE(self));
    if (!nanobind::inst_ready(self))
        return 0;
    return std::invoke(Visit, std::as_const(*nanobind::inst_ptr<T>(self)), visit, arg);
}

template <typename T, auto Clear>
int clear(PyObject *self) {
    if (nanobind::inst_ready(self))
        std::invoke(Clear, *nanobind::inst_ptr<T>(self));
    return 0;
}

}  // namespace garbage_collection_detail

// The slot table for nb::type_slots, one per class; it lives as long as the
// process.
template <typename T, auto Visit, auto Clear>
const PyType_Slot *garbage_collection_slots() {
    static const PyType_Slot slots[] = {
        {Py_tp_traverse, reinterpret_cast<void *>(&garbage_collection_detail::traverse<T, Visit>)},
        {Py_tp_clear, reinterpret_cast<void *>(&garbage_collection_detail::clear<T, Clear>)},
        {0, nullptr},
    };
    return slots;
}

}  // namespace veltrocamber
