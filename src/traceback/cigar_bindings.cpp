#include "traceback/cigar_bindings.hpp"

#include "module/cell_width_dispatch.hpp"
#include "traceback/cigar_call.hpp"
#include "traceback/cigar_digest.hpp"
#include "traceback/linear_path.hpp"
#include "traceback/path_bindings.hpp"

namespace nb = nanobind;

namespace veltrocamber {

std::string smith_waterman_linear_cigar_by_width(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                                 int64_t gap) {
    return cell_width_dispatch(channel.width, "unsupported profile traceback width", [&]<typename T>() {
        return profile_traceback::smith_waterman_linear_cigar<T>(channel.query.data(), channel.query.size(),
                                                                 channel.target.data(), channel.target.size(),
                                                                 static_cast<T>(match), static_cast<T>(mismatch),
                                                                 static_cast<T>(gap));
    });
}

std::string smith_waterman_cigar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                      int64_t gap_open, int64_t gap_extend, uint32_t width) {
    if (gap_open != gap_extend) {
        const FarrarTokenChannel channel =
            preprocess_farrar(query, target, match, mismatch, gap_open, gap_extend, width);
        return smith_waterman_affine_cigar_by_width(channel, match, mismatch, gap_open, gap_extend);
    }
    if (gap_open > 0)
        return std::move(smith_waterman_linear_path(query, target, match, mismatch, gap_open, width).cigar);
    const FarrarTokenChannel channel = preprocess_farrar(query, target, match, mismatch, gap_open, gap_open, width);
    return smith_waterman_linear_cigar_by_width(channel, match, mismatch, gap_open);
}

std::string py_smith_waterman_cigar(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                    int64_t gap, nb::handle gap_open, nb::handle gap_extend, nb::handle width) {
    return cigar_call("smith_waterman_cigar", smith_waterman_cigar_pair, query, target, match, mismatch, gap,
                      gap_open, gap_extend, width);
}

std::string py_smith_waterman_trace_cigar(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                          int64_t gap, nb::handle gap_open, nb::handle gap_extend,
                                          nb::handle width) {
    return cigar_call("smith_waterman_trace_cigar", smith_waterman_cigar_pair, query, target, match, mismatch, gap,
                      gap_open, gap_extend, width);
}

uint64_t py_smith_waterman_cigar_digest(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                        int64_t gap, nb::handle gap_open, nb::handle gap_extend, nb::handle width) {
    return profile_traceback::cigar_digest(cigar_call("_smith_waterman_cigar_digest", smith_waterman_cigar_pair, query,
                                                      target, match, mismatch, gap, gap_open, gap_extend, width));
}

}  // namespace veltrocamber
