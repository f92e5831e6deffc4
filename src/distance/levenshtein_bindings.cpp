#include "distance/levenshtein_bindings.hpp"

#include <vector>

#include "distance/batch_byte_query.hpp"
#include "distance/edit_distance_pairs.hpp"
#include "distance/levenshtein.hpp"
#include "module/interrupt_poll.hpp"
#include "module/keyword_conversion.hpp"
#include "module/memory_errors.hpp"

namespace nb = nanobind;

namespace veltrocamber::levenshtein {

const char *const LEVENSHTEIN_SCORE_DOC =
    "Levenshtein edit distance between two sequences (lower is more similar).\n"
    "\n"
    "When ``score_cutoff`` is set, the kernel returns as soon as it can prove\n"
    "that the final distance must exceed it, and the returned score is then\n"
    "clamped to ``score_cutoff + 1``.";

const char *const LEVENSHTEIN_NORMALIZED_SCORE_DOC =
    "Length-normalized Levenshtein similarity in [0, 1] (1 = identical).";

const char *const LEVENSHTEIN_MISMATCHED_WIDTHS = "levenshtein: mismatched token widths from preprocess";

LevenshteinDistance levenshtein_distance(uint64_t cutoff) {
    return LevenshteinDistance(LEVENSHTEIN_MISMATCHED_WIDTHS, LevenshteinRecurrence{cutoff});
}

uint64_t cutoff_from_python(const char *function, nb::handle score_cutoff) {
    const std::optional<int64_t> value = optional_integer_keyword<int64_t>(function, "score_cutoff", score_cutoff);
    return !value || *value < 0 ? NO_CUTOFF : static_cast<uint64_t>(*value);
}

int64_t py_levenshtein_score(nb::handle query, nb::handle target, nb::handle score_cutoff) {
    LevenshteinDistance metric = levenshtein_distance(cutoff_from_python("levenshtein_score", score_cutoff));
    return name_memory_refusals("levenshtein_score", [&] {
        return static_cast<int64_t>(distance::score_pair(query.ptr(), target.ptr(), metric));
    });
}

double levenshtein_normalized_pair(PyObject *query, PyObject *target, uint64_t cutoff) {
    LevenshteinSimilarity metric{levenshtein_distance(cutoff)};
    return distance::score_pair(query, target, metric);
}

double py_levenshtein_normalized_score(nb::handle query, nb::handle target, nb::handle score_cutoff) {
    const uint64_t cutoff = cutoff_from_python("levenshtein_normalized_score", score_cutoff);
    return name_memory_refusals("levenshtein_normalized_score",
                                [&] { return levenshtein_normalized_pair(query.ptr(), target.ptr(), cutoff); });
}

std::vector<int64_t> levenshtein_score_array(PyObject *query, TargetSnapshot &targets, uint64_t cutoff) {
    LevenshteinDistance metric = levenshtein_distance(cutoff);
    return distance::score_targets<int64_t>(query, targets, metric);
}

std::vector<double> levenshtein_normalized_score_array(PyObject *query, TargetSnapshot &targets, uint64_t cutoff) {
    LevenshteinSimilarity metric{levenshtein_distance(cutoff)};
    return distance::score_targets<double>(query, targets, metric);
}

Int64Array py_levenshtein_scores(nb::handle query, nb::handle targets, nb::handle score_cutoff) {
    const uint64_t cutoff = cutoff_from_python("levenshtein_scores", score_cutoff);
    TargetSnapshot sequence = distance::batch_targets(targets.ptr());
    return to_int64_array(name_memory_refusals("levenshtein_scores",
                                               [&] { return levenshtein_score_array(query.ptr(), sequence, cutoff); }));
}

Float64Array py_levenshtein_normalized_scores(nb::handle query, nb::handle targets, nb::handle score_cutoff) {
    const uint64_t cutoff = cutoff_from_python("levenshtein_normalized_scores", score_cutoff);
    TargetSnapshot sequence = distance::batch_targets(targets.ptr());
    return to_float64_array(name_memory_refusals("levenshtein_normalized_scores", [&] {
        return levenshtein_normalized_score_array(query.ptr(), sequence, cutoff);
    }));
}

nb::object py_prepare_levenshtein_score(nb::handle query) {
    distance::ByteText q;
    if (!distance::byte_text(query.ptr(), q))
        return nb::none();
    return nb::cast(prepare_levenshtein_query(q.data, q.size), nb::rv_policy::move);
}

nb::object py_levenshtein_score_prepared(const PreparedLevenshteinScoreU8 &prepared, nb::handle target,
                                         nb::handle score_cutoff) {
    distance::ByteText t;
    if (!distance::byte_text(target.ptr(), t))
        return nb::none();
    const uint64_t cutoff = cutoff_from_python("_levenshtein_score_prepared", score_cutoff);
    std::vector<uint64_t> work;
    InterruptPoll poll;
    const uint64_t d = prepared_levenshtein_distance(prepared, t.data, t.size, cutoff, work, poll);
    return nb::int_(static_cast<int64_t>(d));
}

}  // namespace veltrocamber::levenshtein
