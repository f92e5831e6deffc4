// AlignmentPath, the record that carries one alignment path back to Python:
// the operation string, its CIGAR text and the operation counts, with
// half-open token spans. It holds no Python objects, so the traceback
// kernels fill it without including Python; result_classes.hpp binds it.
// The record does not check its fields against each other: it stores what
// the traceback or the caller gives it.
#pragma once

#include <cstdint>
#include <string>

namespace veltrocamber {

struct AlignmentPath {
    int64_t score = 0;
    uint64_t query_start = 0;
    uint64_t query_end = 0;
    uint64_t target_start = 0;
    uint64_t target_end = 0;
    std::string operations;
    std::string cigar;
    uint64_t matches = 0;
    uint64_t mismatches = 0;
    uint64_t insertions = 0;
    uint64_t deletions = 0;
    uint64_t aligned_length = 0;
};

}  // namespace veltrocamber
