// The Python length of an input, for the metrics that normalise by len()
// rather than by their symbol counts (Hamming, Indel and the unrestricted
// Damerau-Levenshtein distance).
#pragma once

#include <Python.h>

#include <cstdint>

#include "distance/edit_distance_pairs.hpp"
#include "module/raisers.hpp"

namespace veltrocamber::distance {

// len(object). An object without a length (a generator, say) raises the
// error that PyObject_Size set, rather than reading -1 as 2^64 - 1.
inline uint64_t python_length(PyObject *object) {
    const Py_ssize_t n = PyObject_Size(object);
    if (n < 0)
        raise_pending();
    return static_cast<uint64_t>(n);
}

// len() of a batch's query, for a one-shot iterable the length of the tuple
// its items were taken into (what the token path reads). A byte-like query
// is measured by len() too, not by its byte count: the two differ for a
// subclass of str or bytes that defines its own __len__.
inline uint64_t batch_query_length(BatchQuery &query) { return python_length(query.token_object()); }

}  // namespace veltrocamber::distance
