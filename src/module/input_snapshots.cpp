#include "module/input_snapshots.hpp"

#include "module/input_views.hpp"
#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber {

namespace {

// The snapshots of this thread that still read a caller's list in place, the
// latest first (nested calls defer in turn: an item's __hash__ may run a
// batch of its own).
thread_local TargetSnapshot *deferred_snapshots = nullptr;

// How far ahead the reference passes fetch the targets' headers: the targets
// lie scattered in memory, and the passes would otherwise wait on each one.
constexpr size_t prefetch_distance = 16;

}  // namespace

void TargetSnapshot::stop_deferring() noexcept {
    for (TargetSnapshot **link = &deferred_snapshots; *link != nullptr; link = &(*link)->next_deferred_)
        if (*link == this) {
            *link = next_deferred_;
            return;
        }
}

TargetSnapshot::TargetSnapshot(PyObject *targets, const char *message, DeferredSnapshot)
    : sequence_(nb::steal(PySequence_Fast(targets, message))) {
    if (!sequence_.is_valid())
        raise_pending();
    items_ = PySequence_Fast_ITEMS(sequence_.ptr());
    size_ = static_cast<size_t>(PySequence_Fast_GET_SIZE(sequence_.ptr()));
    held_ = PyTuple_Check(sequence_.ptr());
    if (!held_) {
        next_deferred_ = deferred_snapshots;
        deferred_snapshots = this;
    }
}

TargetSnapshot::TargetSnapshot(PyObject *targets, const char *message, DeferredUntilPythonCode)
    : TargetSnapshot(targets, message, deferred_snapshot) {
    held_at_checks_ = true;
}

TargetSnapshot::TargetSnapshot(PyObject *targets, const char *message)
    : TargetSnapshot(targets, message, deferred_snapshot) {
    hold();
}

TargetSnapshot::~TargetSnapshot() {
    if (!held_)
        stop_deferring();
    if (owned_ == nullptr)
        return;
    for (size_t i = 0; i < size_; ++i) {
        if (i + prefetch_distance < size_)
            __builtin_prefetch(owned_[i + prefetch_distance], 1);
        Py_DECREF(owned_[i]);
    }
    PyMem_Free(owned_);
}

// Only an interrupt check's Python code can have changed a list that is
// read in place, and nothing of it is read again once its storage moved.
void TargetSnapshot::raise_changed() { raise_runtime_error("targets changed during the call"); }

void TargetSnapshot::hold() {
    if (held_)
        return;
    if (list_changed())
        raise_changed();
    owned_ = static_cast<PyObject **>(PyMem_Malloc((size_ > 0 ? size_ : 1) * sizeof(PyObject *)));
    if (owned_ == nullptr)
        raise_memory_error();
    for (size_t i = 0; i < size_; ++i) {
        if (i + prefetch_distance < size_)
            __builtin_prefetch(items_[i + prefetch_distance], 1);
        owned_[i] = Py_NewRef(items_[i]);
    }
    items_ = owned_;
    held_ = true;
    stop_deferring();
}

void guard_deferred_snapshots() {
    TargetSnapshot *next = nullptr;
    for (TargetSnapshot *s = deferred_snapshots; s != nullptr; s = next) {
        next = s->next_deferred_;  // hold() takes s out of the chain
        if (s->held_at_checks_)
            s->hold();
        else if (s->current_ != nullptr)
            s->guarded_ = nb::borrow(s->current_);
    }
}

ReusableInput::ReusableInput(PyObject *input, const char *name) : input_(input), name_(name) {
    if (is_text(input) || PyTuple_CheckExact(input))
        return;
    if (PyList_CheckExact(input)) {
        taken_ = nb::steal(PyList_AsTuple(input));
        if (!taken_.is_valid())
            raise_pending();
        return;
    }
    pending_ = PyObject_CheckBuffer(input) || PySequence_Check(input) || Py_TYPE(input)->tp_iter != nullptr;
}

void ReusableInput::take() {
    if (PyObject_CheckBuffer(input_)) {
        const BufferView view = probe_buffer(input_);
        if (view.has_buffer)
            taken_ = buffer_copy(view);
    } else {
        taken_ = items_tuple(collect_sequence_items(input_, name_));
    }
    pending_ = false;
}

namespace {

// The struct-module letter of an element kind, in native byte order and size.
const char *native_format(ElementKind kind) noexcept {
    switch (kind) {
        case ELEMENT_INT8: return "b";
        case ELEMENT_UINT8: return "B";
        case ELEMENT_INT16: return "h";
        case ELEMENT_UINT16: return "H";
        case ELEMENT_INT32: return "i";
        case ELEMENT_UINT32: return "I";
        case ELEMENT_INT64: return "q";
        case ELEMENT_UINT64: return "Q";
        case ELEMENT_FLOAT16: return "e";
        case ELEMENT_FLOAT32: return "f";
        case ELEMENT_FLOAT64: return "d";
        default: return "B";
    }
}

}  // namespace

nb::object buffer_copy(const BufferView &view) {
    nb::object bytes =
        nb::steal(PyBytes_FromStringAndSize(static_cast<const char *>(view.view.buf), view.view.len));
    if (!bytes.is_valid())
        raise_pending();
    nb::object flat = nb::steal(PyMemoryView_FromObject(bytes.ptr()));
    if (!flat.is_valid())
        raise_pending();
    nb::object typed = nb::steal(PyObject_CallMethod(flat.ptr(), "cast", "s", native_format(view.element_kind)));
    if (!typed.is_valid())
        raise_pending();
    return typed;
}

nb::object items_tuple(const std::vector<nb::object> &items) {
    nb::object tuple = nb::steal(PyTuple_New(static_cast<Py_ssize_t>(items.size())));
    if (!tuple.is_valid())
        raise_pending();
    for (size_t i = 0; i < items.size(); ++i)
        PyTuple_SET_ITEM(tuple.ptr(), static_cast<Py_ssize_t>(i), Py_NewRef(items[i].ptr()));
    return tuple;
}

}  // namespace veltrocamber
