// The Python length of an input, for the metrics that normalise by len()
// rather than by their symbol counts (Hamming, Indel and the unrestricted
// Damerau-Levenshtein distance), and the batch loop of such a similarity.
#pragma once

#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "distance/edit_distance_pairs.hpp"
#include "distance/normalized_similarity.hpp"
#include "module/input_snapshots.hpp"
#include "module/input_views.hpp"
#include "module/interrupt_poll.hpp"
#include "module/raisers.hpp"

namespace veltrocamber::distance {

// True when len(object) is defined at all (PyObject_Size's own test): a
// generator or an iterator has no length.
inline bool has_length(PyObject *object) noexcept {
    const PyTypeObject *type = Py_TYPE(object);
    return (type->tp_as_sequence != nullptr && type->tp_as_sequence->sq_length != nullptr) ||
           (type->tp_as_mapping != nullptr && type->tp_as_mapping->mp_length != nullptr);
}

// After len(object) failed: TypeError "<function>: <argument> must have a
// length (a str, bytes or sequence), not <type>" in place of len()'s own
// when the object has no length at all; the error of the object's own
// __len__ as it was raised otherwise.
[[noreturn]] [[gnu::cold]] inline void raise_length_error(PyObject *object, const char *function,
                                                          const char *argument) {
    if (has_length(object))
        raise_pending();
    PyErr_Clear();
    PyErr_Format(PyExc_TypeError, "%s: %s must have a length (a str, bytes or sequence), not %.200s", function,
                 argument, Py_TYPE(object)->tp_name);
    raise_pending();
}

// len(object), read as unsigned only once it is known (never -1 read as
// 2^64 - 1). `argument` names the object in the error ("query", "target").
inline uint64_t python_length(PyObject *object, const char *function, const char *argument) {
    const Py_ssize_t n = PyObject_Size(object);
    if (n < 0) [[unlikely]]
        raise_length_error(object, function, argument);
    return static_cast<uint64_t>(n);
}

// len() of target `index` of a batch, named by its index.
inline uint64_t target_length(PyObject *target, const char *function, size_t index) {
    const Py_ssize_t n = PyObject_Size(target);
    if (n < 0) [[unlikely]] {
        char argument[48];
        std::snprintf(argument, sizeof argument, "target at index %zu", index);
        raise_length_error(target, function, argument);
    }
    return static_cast<uint64_t>(n);
}

// len() of a batch's query as the token path reads it: of a str or bytes
// itself, else of the one reading the batch takes of it (the tuple of its
// items). A byte-like query is measured by len() too, not by its byte count:
// the two differ for a subclass of str or bytes that defines its own
// __len__.
inline uint64_t batch_query_length(BatchQuery &query, const char *function) {
    return python_length(query.token_object(), function, "query");
}

// len() of a per-query search's query, which must have a length of its own
// (a one-shot iterable has none): measured as batch_query_length measures
// it, once the query itself has passed len().
inline uint64_t search_query_length(BatchQuery &query, PyObject *passed, const char *function) {
    const uint64_t n = python_length(passed, function, "query");
    return is_text(passed) ? n : batch_query_length(query, function);
}

// The batch of a similarity normalised by len() (`By`) of the query and of
// each target: the query is measured before any target, each target while
// it is in hand, right after its distance. Errors name `function`.
template <NormalizedBy By, typename Metric>
std::vector<double> similarities_by_length(PyObject *query, TargetSnapshot &targets, Metric &metric,
                                           const char *function) {
    BatchQuery batch_query(query, targets);
    const uint64_t lq = batch_query_length(batch_query, function);
    return score_each_target<double>(batch_query, targets, metric,
                                     [lq, function](uint64_t d, PyObject *target, size_t i) {
                                         return normalized_similarity<By>(d, lq, target_length(target, function, i));
                                     });
}

}  // namespace veltrocamber::distance
