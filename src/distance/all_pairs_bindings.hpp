// The all-pairs entry points cdist, cdist_above_threshold and cdist_top_k.
// This backend serves none of them: each converts its arguments, checks
// `scorer`, and raises NotImplementedError sending the caller to a backend
// that does. `queries`, `targets`, `tqdm` and the numeric keywords are never
// looked at beyond nanobind's conversion.
#pragma once

#include <Python.h>

#include <cstdint>

#include <nanobind/nanobind.h>

namespace veltrocamber::all_pairs {

void py_cdist(nanobind::handle queries, nanobind::handle targets, nanobind::handle scorer, nanobind::handle tqdm,
              uint64_t cpu_count, double prefix_weight, double prefix_threshold, uint64_t prefix_cap);
void py_cdist_above_threshold(nanobind::handle queries, nanobind::handle targets, nanobind::handle scorer,
                              double threshold, nanobind::handle tqdm, uint64_t cpu_count, double prefix_weight,
                              double prefix_threshold, uint64_t prefix_cap);
void py_cdist_top_k(nanobind::handle queries, nanobind::handle targets, nanobind::handle scorer, uint64_t k,
                    nanobind::handle tqdm, uint64_t cpu_count, bool reject_duplicates, double prefix_weight,
                    double prefix_threshold, uint64_t prefix_cap);

}  // namespace veltrocamber::all_pairs
