// The parts of _testhooks, one per subsystem (or per family within one),
// each adding its entries to the module; test_hooks_module.cpp calls them in
// this order.
#pragma once

#include <nanobind/nanobind.h>

namespace veltrocamber::testing {

// Module definition and input preparation.
void register_module_hooks(nanobind::module_ &m);
void register_input_preparation_hooks(nanobind::module_ &m);

// Alignment scores.
void register_align_hooks(nanobind::module_ &m);

// Edit distances and batch search.
void register_levenshtein_hooks(nanobind::module_ &m);
void register_edit_distance_hooks(nanobind::module_ &m);
void register_threshold_producer_hooks(nanobind::module_ &m);

// Phonetic encoders.
void register_phonetic_hooks(nanobind::module_ &m);

// Alignment traceback.
void register_traceback_hooks(nanobind::module_ &m);
void register_linear_memory_hooks(nanobind::module_ &m);

// Dynamic time warping.
void register_dtw_hooks(nanobind::module_ &m);

}  // namespace veltrocamber::testing
