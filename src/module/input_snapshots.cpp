#include "module/input_snapshots.hpp"

#include "module/input_views.hpp"
#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber {

TargetSnapshot::TargetSnapshot(PyObject *targets, const char *message, DeferredSnapshot)
    : sequence_(nb::steal(PySequence_Fast(targets, message))) {
    if (!sequence_.is_valid())
        raise_pending();
    items_ = PySequence_Fast_ITEMS(sequence_.ptr());
    size_ = static_cast<size_t>(PySequence_Fast_GET_SIZE(sequence_.ptr()));
    held_ = PyTuple_Check(sequence_.ptr());
}

TargetSnapshot::TargetSnapshot(PyObject *targets, const char *message)
    : TargetSnapshot(targets, message, deferred_snapshot) {
    hold();
}

void TargetSnapshot::hold() {
    if (held_)
        return;
    nb::object tuple = nb::steal(PyList_AsTuple(sequence_.ptr()));
    if (!tuple.is_valid())
        raise_pending();
    sequence_ = std::move(tuple);
    items_ = PySequence_Fast_ITEMS(sequence_.ptr());
    held_ = true;
}

bool is_one_shot(PyObject *input) noexcept {
    return !is_text(input) && !PyObject_CheckBuffer(input) && !PySequence_Check(input) &&
           Py_TYPE(input)->tp_iter != nullptr;
}

void ReusableInput::take() { taken_ = items_tuple(collect_sequence_items(input_, name_)); }

nb::object items_tuple(const std::vector<nb::object> &items) {
    nb::object tuple = nb::steal(PyTuple_New(static_cast<Py_ssize_t>(items.size())));
    if (!tuple.is_valid())
        raise_pending();
    for (size_t i = 0; i < items.size(); ++i)
        PyTuple_SET_ITEM(tuple.ptr(), static_cast<Py_ssize_t>(i), Py_NewRef(items[i].ptr()));
    return tuple;
}

}  // namespace veltrocamber
