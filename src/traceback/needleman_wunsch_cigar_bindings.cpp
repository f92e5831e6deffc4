#include "traceback/needleman_wunsch_cigar_bindings.hpp"

#include <utility>

#include "module/farrar_preprocess.hpp"
#include "traceback/affine_cigar_by_width.hpp"
#include "traceback/cigar_call.hpp"
#include "traceback/cigar_digest.hpp"
#include "traceback/linear_memory_bindings.hpp"
#include "traceback/path_bindings.hpp"

namespace nb = nanobind;

namespace veltrocamber {

std::string needleman_wunsch_cigar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                        int64_t gap_open, int64_t gap_extend, uint32_t width) {
    if (gap_open != gap_extend) {
        const FarrarTokenChannel channel =
            preprocess_farrar(query, target, match, mismatch, gap_open, gap_extend, width);
        return needleman_wunsch_affine_cigar_by_width(channel, match, mismatch, gap_open, gap_extend);
    }
    if (gap_open > 0)
        return std::move(needleman_wunsch_linear_path(query, target, match, mismatch, gap_open, width).cigar);
    const FarrarTokenChannel channel = preprocess_farrar(query, target, match, mismatch, gap_open, gap_open, width);
    return needleman_wunsch_trade_cigar_by_width(channel, match, mismatch, gap_open);
}

std::string py_needleman_wunsch_cigar(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                      int64_t gap, nb::handle gap_open, nb::handle gap_extend, nb::handle width) {
    return cigar_call("needleman_wunsch_cigar", needleman_wunsch_cigar_pair, query, target, match, mismatch, gap,
                      gap_open, gap_extend, width);
}

std::string py_needleman_wunsch_trace_cigar(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                            int64_t gap, nb::handle gap_open, nb::handle gap_extend,
                                            nb::handle width) {
    return cigar_call("needleman_wunsch_trace_cigar", needleman_wunsch_cigar_pair, query, target, match, mismatch,
                      gap, gap_open, gap_extend, width);
}

std::string py_needleman_wunsch_trade_cigar(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                            int64_t gap, nb::handle gap_open, nb::handle gap_extend,
                                            nb::handle width) {
    return cigar_call("needleman_wunsch_trade_cigar", needleman_wunsch_cigar_pair, query, target, match, mismatch,
                      gap, gap_open, gap_extend, width);
}

uint64_t py_needleman_wunsch_cigar_digest(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                          int64_t gap, nb::handle gap_open, nb::handle gap_extend,
                                          nb::handle width) {
    return profile_traceback::cigar_digest(cigar_call("_needleman_wunsch_cigar_digest", needleman_wunsch_cigar_pair,
                                                      query, target, match, mismatch, gap, gap_open, gap_extend,
                                                      width));
}

}  // namespace veltrocamber
