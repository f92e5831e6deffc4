// Batch results handed to NumPy without a copy.
//
// The core fills a std::vector with one value per target; the vector is moved
// into a heap object owned by a capsule, and the exported array points at its
// storage. The capsule's destructor frees the vector when the last array or
// view that refers to it goes away. An empty batch gives shape (0,).
#pragma once

#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/ndarray.h>

namespace veltrocamber {

using Int64Array = nanobind::ndarray<nanobind::numpy, int64_t, nanobind::shape<-1>>;
using Float64Array = nanobind::ndarray<nanobind::numpy, double, nanobind::shape<-1>>;

void free_int64_result(void *vector) noexcept;
void free_float64_result(void *vector) noexcept;

template <typename T>
nanobind::ndarray<nanobind::numpy, T, nanobind::shape<-1>> export_batch_result(
    std::vector<T> &&values, void (*destructor)(void *) noexcept) {
    auto *owned = new std::vector<T>(std::move(values));
    // From here on the capsule owns the vector, also if anything below throws.
    nanobind::capsule owner(owned, destructor);
    const size_t shape[1] = {owned->size()};
    return nanobind::ndarray<nanobind::numpy, T, nanobind::shape<-1>>(owned->data(), 1, shape, owner);
}

inline Int64Array to_int64_array(std::vector<int64_t> &&values) {
    return export_batch_result(std::move(values), free_int64_result);
}

inline Float64Array to_float64_array(std::vector<double> &&values) {
    return export_batch_result(std::move(values), free_float64_result);
}

}  // namespace veltrocamber
