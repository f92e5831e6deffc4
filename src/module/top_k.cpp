#include "module/top_k.hpp"

#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

PyObject *score_object(int64_t score) { return PyLong_FromLongLong(score); }
PyObject *score_object(double score) { return PyFloat_FromDouble(score); }

template <typename Score>
void append_entry(nb::list &out, PyObject *target, Score score, uint64_t index) {
    nb::object score_obj = nb::steal(score_object(score));
    if (!score_obj.is_valid())
        raise_pending();
    nb::object index_obj = nb::steal(PyLong_FromUnsignedLongLong(index));
    if (!index_obj.is_valid())
        raise_pending();
    PyObject *tuple = PyTuple_New(3);
    if (!tuple)
        raise_pending();
    nb::object entry = nb::steal(tuple);
    PyTuple_SET_ITEM(tuple, 0, Py_NewRef(target));
    PyTuple_SET_ITEM(tuple, 1, score_obj.release().ptr());
    PyTuple_SET_ITEM(tuple, 2, index_obj.release().ptr());
    if (PyList_Append(out.ptr(), tuple) != 0)
        raise_pending();
}

template <typename Score>
nb::list select(const std::vector<Score> &scores, PyObject *const *targets, uint64_t k, bool higher_is_better) {
    nb::list out;
    const uint64_t n = scores.size();
    if (n == 0 || k == 0)
        return out;
    if (k >= n) {  // everything is kept, in input order, with no comparison made
        for (uint64_t i = 0; i < n; ++i)
            append_entry(out, targets[i], scores[i], i);
        return out;
    }

    using Entry = top_k_detail::HeapEntry<Score>;
    std::vector<Entry> slots;
    slots.reserve(k);
    for (uint64_t i = 0; i < k; ++i)
        slots.push_back(Entry{scores[i], i});
    top_k_detail::BoundedHeap<Score> heap(slots, higher_is_better);
    heap.build();
    for (uint64_t i = k; i < n; ++i) {
        if (top_k_detail::better(scores[i], slots[0].score, higher_is_better))
            heap.replace_root(Entry{scores[i], i});
    }
    for (const Entry &e : slots)
        append_entry(out, targets[e.index], e.score, e.index);
    return out;
}

}  // namespace

nb::list select_top_k(const std::vector<int64_t> &scores, PyObject *const *targets, uint64_t k,
                      bool higher_is_better) {
    return select(scores, targets, k, higher_is_better);
}

nb::list select_top_k_float(const std::vector<double> &scores, PyObject *const *targets, uint64_t k,
                            bool higher_is_better) {
    return select(scores, targets, k, higher_is_better);
}

}  // namespace veltrocamber
