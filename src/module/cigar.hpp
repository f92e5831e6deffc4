// CIGAR runs and text, and AlignmentPath records made from operation strings.
//
// An operation string has one letter per alignment column: '=' equal tokens,
// 'X' unequal tokens, 'D' a query token against a gap, 'I' a target token
// against a gap. Traceback walks from the end of an alignment towards its
// start, so a run vector is stored last-run-first: element 0 is the run at
// the end of the alignment. CIGAR text is each maximal run as its decimal
// count followed by its letter, in alignment order; letters are never
// translated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "module/alignment_path.hpp"

namespace veltrocamber {

struct CigarRun {
    char op;
    uint64_t count;  // at least 1
};

inline void push_cigar_op(std::vector<CigarRun> &runs, char op) {
    if (!runs.empty() && runs.back().op == op)
        ++runs.back().count;
    else
        runs.push_back(CigarRun{op, 1});
}

inline void push_cigar_insertion(std::vector<CigarRun> &runs) { push_cigar_op(runs, 'I'); }
inline void push_cigar_deletion(std::vector<CigarRun> &runs) { push_cigar_op(runs, 'D'); }

std::string cigar_text_from_runs(const std::vector<CigarRun> &runs);
std::string cigar_from_operations(size_t length, const char *letters);

AlignmentPath make_alignment_path(int64_t score, uint64_t query_start, uint64_t query_end, uint64_t target_start,
                                  uint64_t target_end, size_t length, const char *letters);

}  // namespace veltrocamber
