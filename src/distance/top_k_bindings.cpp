#include "distance/top_k_bindings.hpp"

#include <vector>

#include "distance/edit_distance_pairs.hpp"
#include "distance/hamming_bindings.hpp"
#include "distance/indel_bindings.hpp"
#include "distance/jaro_bindings.hpp"
#include "distance/levenshtein_bindings.hpp"
#include "distance/osa_bindings.hpp"
#include "distance/true_damerau_levenshtein_bindings.hpp"
#include "module/input_snapshots.hpp"
#include "module/input_views.hpp"
#include "module/memory_errors.hpp"
#include "module/raisers.hpp"
#include "module/top_k.hpp"

namespace nb = nanobind;

namespace veltrocamber::distance {

const char *const LEVENSHTEIN_TOP_K_DOC =
    "Top-k targets by lowest Levenshtein distance (ascending).\n"
    "\n"
    "Returns ``list[(target, score, index)]`` of at most ``k`` entries.\n"
    "Distances are int64.";

namespace {

using Boost = jaro::WinklerBoost;
// A batch core in the table's one signature: `function` is the name its
// errors give (the top-k function's, or extract's).
using Distances = std::vector<int64_t> (*)(PyObject *query, TargetSnapshot &targets, const Boost &,
                                           const char *function);
using Similarities = std::vector<double> (*)(PyObject *query, TargetSnapshot &targets, const Boost &,
                                             const char *function);

// One row per ScorerId, in id order: the batch core that scores every
// target, `distances` (ints) or `similarities` (floats), the other null;
// which end of the scores is better; the scorer's top-k function.
struct RankedScorer {
    Distances distances;
    Similarities similarities;
    bool higher_is_better;
    const char *top_k_function;
};

constexpr RankedScorer distance_row(const char *function, Distances core) { return {core, nullptr, false, function}; }
constexpr RankedScorer similarity_row(const char *function, Similarities core) {
    return {nullptr, core, true, function};
}

// A batch core that takes no keyword, in the table's one signature; a
// `named` one gives the function's name to its errors.
template <auto Core>
auto keywordless(PyObject *query, TargetSnapshot &targets, const Boost &, const char *) {
    return Core(query, targets);
}

template <auto Core>
auto named(PyObject *query, TargetSnapshot &targets, const Boost &, const char *function) {
    return Core(query, targets, function);
}

constexpr RankedScorer RANKED_SCORERS[] = {
    distance_row("levenshtein_top_k", [](PyObject *q, TargetSnapshot &t, const Boost &, const char *) {
        return levenshtein::levenshtein_score_array(q, t, levenshtein::NO_CUTOFF);
    }),
    similarity_row("levenshtein_normalized_top_k", [](PyObject *q, TargetSnapshot &t, const Boost &, const char *) {
        return levenshtein::levenshtein_normalized_score_array(q, t, levenshtein::NO_CUTOFF);
    }),
    distance_row("damerau_levenshtein_top_k", keywordless<osa::damerau_levenshtein_score_array>),
    similarity_row("damerau_levenshtein_normalized_top_k",
                   keywordless<osa::damerau_levenshtein_normalized_score_array>),
    distance_row("hamming_top_k", keywordless<hamming::hamming_score_array>),
    similarity_row("hamming_normalized_top_k", named<hamming::hamming_normalized_score_array>),
    similarity_row("jaro_top_k", keywordless<jaro::jaro_similarity_array>),
    similarity_row("jaro_winkler_top_k", [](PyObject *q, TargetSnapshot &t, const Boost &boost, const char *) {
        return jaro::jaro_winkler_similarity_array(q, t, boost);
    }),
    distance_row("indel_top_k", keywordless<indel::indel_score_array>),
    similarity_row("indel_normalized_top_k", named<indel::indel_normalized_score_array>),
    distance_row("true_damerau_levenshtein_top_k",
                 keywordless<true_damerau_levenshtein::true_damerau_levenshtein_score_array>),
    similarity_row("true_damerau_levenshtein_normalized_top_k",
                   named<true_damerau_levenshtein::true_damerau_levenshtein_normalized_score_array>),
};

constexpr uint32_t SCORER_COUNT = sizeof(RANKED_SCORERS) / sizeof(RANKED_SCORERS[0]);

// The function's steps in order: the str/bytes TypeError, PySequence_Fast's,
// the scorer's ValueError, then the scores of every target (also for k = 0)
// and the selection, both from the one snapshot.
//
// The snapshot is held before the first target is scored, not left to read
// the list in place as a batch does: the result lists targets, so it needs
// every one of them held anyway, and scoring an object that an interrupt
// check's signal handler has since replaced in the list would list the new
// object with the old one's score. Held at once, the snapshot makes nothing
// a handler does to the list change the answer, as for any other Python
// code run under the call.
nb::list rank_targets(const char *function, ScorerId id, PyObject *query, PyObject *targets, uint64_t k,
                      const Boost &boost) {
    reject_single_text_targets(targets);
    TargetSnapshot snapshot = batch_targets(targets);
    // Read as unsigned, so that every negative id is unknown too.
    if (static_cast<uint32_t>(id) >= SCORER_COUNT)
        raise_value_error("unknown Scorer value");
    const RankedScorer &scorer = RANKED_SCORERS[id];
    snapshot.hold();
    return name_memory_refusals(function, [&] {
        if (scorer.distances != nullptr) {
            const std::vector<int64_t> scores = scorer.distances(query, snapshot, boost, function);
            return select_top_k(scores, snapshot.items(), k, scorer.higher_is_better);
        }
        const std::vector<double> scores = scorer.similarities(query, snapshot, boost, function);
        return select_top_k_float(scores, snapshot.items(), k, scorer.higher_is_better);
    });
}

}  // namespace

nb::list top_k_of_scorer(ScorerId id, PyObject *query, PyObject *targets, uint64_t k,
                         const jaro::WinklerBoost &boost) {
    return rank_targets(RANKED_SCORERS[id].top_k_function, id, query, targets, k, boost);
}

nb::list py_jaro_winkler_top_k(nb::handle query, nb::handle targets, uint64_t k, double prefix_weight,
                               double prefix_threshold, uint64_t prefix_cap) {
    const Boost boost{prefix_weight, prefix_threshold, prefix_cap};
    return top_k_of_scorer(7, query.ptr(), targets.ptr(), k, boost);
}

nb::list py_extract(nb::handle query, nb::handle targets, ScorerId scorer, uint64_t k) {
    return rank_targets("extract", scorer, query.ptr(), targets.ptr(), k, Boost{});
}

}  // namespace veltrocamber::distance
