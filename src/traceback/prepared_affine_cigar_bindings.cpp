#include "traceback/prepared_affine_cigar_bindings.hpp"

#include <utility>

#include "align/alignment_keywords.hpp"
#include "align/alignment_score_bindings.hpp"
#include "module/memory_errors.hpp"
#include "traceback/traceback_matrix.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

using profile_traceback::PreparedAffineCigar;

// The pair is prepared once and scored from that one channel, so that a
// one-shot input (an iterator) is read once and the score belongs to the
// codes that are kept. The scores are those of the score functions:
// smith_waterman_affine_pair's and needleman_wunsch_affine_pair's roads.
// A pair whose traceback matrix the prepared call would refuse is refused
// here, by the same check against the memory available now, before the
// score pass spends qlen x tlen cells on an object that could never answer.
template <AlignmentMode Mode>
PreparedAffineCigar prepare(const char *function, nb::handle query, nb::handle target, int64_t match,
                            int64_t mismatch, int64_t gap, nb::handle gap_open, nb::handle gap_extend,
                            nb::handle width) {
    const AlignmentKeywords keywords = convert_alignment_keywords(function, gap, gap_open, gap_extend, width);
    const AffineGaps gaps = keywords.gaps;
    PreparedAffineCigar prepared;
    prepared.channel =
        preprocess_farrar(query.ptr(), target.ptr(), match, mismatch, gaps.open, gaps.extend, keywords.width);
    name_memory_refusals(function, [&] {
        profile_traceback::traceback_matrix_bytes(prepared.channel.query.size(), prepared.channel.target.size());
    });
    prepared.match = match;
    prepared.mismatch = mismatch;
    prepared.gap_open = gaps.open;
    prepared.gap_extend = gaps.extend;
    constexpr auto score = Mode == AlignmentMode::smith_waterman ? &smith_waterman_affine_channel_score
                                                                 : &needleman_wunsch_affine_channel_score;
    prepared.score = score(prepared.channel, match, mismatch, gaps.open, gaps.extend);
    prepared.has_score = true;
    prepared.mode = Mode;
    return prepared;
}

std::string prepared_cigar(AlignmentMode mode, const PreparedAffineCigar &prepared) {
    const bool own_score = prepared.has_score && prepared.mode == mode;
    return affine_cigar_by_width(mode, prepared.channel, prepared.match, prepared.mismatch, prepared.gap_open,
                                 prepared.gap_extend, own_score ? prepared.score : 0, own_score);
}

}  // namespace

std::string smith_waterman_affine_cigar_prepared_by_width(const PreparedAffineCigar &prepared) {
    return prepared_cigar(AlignmentMode::smith_waterman, prepared);
}

std::string needleman_wunsch_affine_cigar_prepared_by_width(const PreparedAffineCigar &prepared) {
    return prepared_cigar(AlignmentMode::needleman_wunsch, prepared);
}

PreparedAffineCigar py_prepare_smith_waterman_affine_cigar(nb::handle query, nb::handle target, int64_t match,
                                                           int64_t mismatch, int64_t gap, nb::handle gap_open,
                                                           nb::handle gap_extend, nb::handle width) {
    return prepare<AlignmentMode::smith_waterman>("_prepare_smith_waterman_affine_cigar", query, target, match,
                                                  mismatch, gap, gap_open, gap_extend, width);
}

PreparedAffineCigar py_prepare_needleman_wunsch_affine_cigar(nb::handle query, nb::handle target, int64_t match,
                                                             int64_t mismatch, int64_t gap, nb::handle gap_open,
                                                             nb::handle gap_extend, nb::handle width) {
    return prepare<AlignmentMode::needleman_wunsch>("_prepare_needleman_wunsch_affine_cigar", query, target, match,
                                                    mismatch, gap, gap_open, gap_extend, width);
}

std::string py_smith_waterman_affine_cigar_prepared(const PreparedAffineCigar &prepared) {
    return name_memory_refusals("_smith_waterman_affine_cigar_prepared",
                                [&] { return smith_waterman_affine_cigar_prepared_by_width(prepared); });
}

std::string py_needleman_wunsch_affine_cigar_prepared(const PreparedAffineCigar &prepared) {
    return name_memory_refusals("_needleman_wunsch_affine_cigar_prepared",
                                [&] { return needleman_wunsch_affine_cigar_prepared_by_width(prepared); });
}

}  // namespace veltrocamber
