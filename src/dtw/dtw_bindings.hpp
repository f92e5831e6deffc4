// Python entry points of dynamic time warping: dtw and dtw_distances.
#pragma once

#include <nanobind/nanobind.h>

#include "module/result_arrays.hpp"

namespace veltrocamber {

extern const char *const DTW_DOC;

// dtw(query, target, *, window=None, distance=None) -> float
double py_dtw(nanobind::handle query, nanobind::handle target, nanobind::handle window, nanobind::handle distance);

// dtw_distances(query, targets, *, window=None, distance=None) -> float64 array
Float64Array py_dtw_distances(nanobind::handle query, nanobind::handle targets, nanobind::handle window,
                              nanobind::handle distance);

}  // namespace veltrocamber
