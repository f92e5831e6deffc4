// The two records that carry alignments back to Python.
//
// AlignmentResult holds the aligned rows themselves (the caller's inputs with
// gaps) and owns one reference to each row object; its Python class takes
// part in garbage collection, since a row may hold the caller's objects.
// AlignmentPath (in alignment_path.hpp, free of Python) holds the operation
// string, its CIGAR text and the operation counts, and so stays out of
// garbage collection. Spans are half-open token positions.
// Neither record checks its fields against each other: they store what the
// traceback or the caller gives them.
#pragma once

#include <cstdint>
#include <string>

#include <nanobind/nanobind.h>

#include "module/alignment_path.hpp"

namespace veltrocamber {

struct AlignmentResult {
    int64_t score = 0;
    uint64_t query_start = 0;
    uint64_t query_end = 0;
    uint64_t target_start = 0;
    uint64_t target_end = 0;
    nanobind::object aligned_query = nanobind::none();
    nanobind::object aligned_target = nanobind::none();
    std::string operations;
};

std::string alignment_result_repr(const AlignmentResult &result);
std::string alignment_path_repr(const AlignmentPath &path);

// Registers AlignmentResult, then AlignmentPath.
void register_result_classes(nanobind::module_ &m);

}  // namespace veltrocamber
