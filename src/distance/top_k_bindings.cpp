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

using Distances = std::vector<int64_t> (*)(PyObject *query, TargetSnapshot &targets, const jaro::WinklerBoost &);
using Similarities = std::vector<double> (*)(PyObject *query, TargetSnapshot &targets, const jaro::WinklerBoost &);

// One row per ScorerId, in id order: the batch core that scores every
// target, `distances` (ints) or `similarities` (floats), the other null; and
// which end of the scores is better.
struct RankedScorer {
    Distances distances;
    Similarities similarities;
    bool higher_is_better;
};

constexpr RankedScorer distance_row(Distances core) { return {core, nullptr, false}; }
constexpr RankedScorer similarity_row(Similarities core) { return {nullptr, core, true}; }

constexpr RankedScorer RANKED_SCORERS[] = {
    /* 0 levenshtein */ distance_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
        return levenshtein::levenshtein_score_array(q, t, levenshtein::NO_CUTOFF);
    }),
    /* 1 levenshtein normalized */ similarity_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
        return levenshtein::levenshtein_normalized_score_array(q, t, levenshtein::NO_CUTOFF);
    }),
    /* 2 optimal string alignment */ distance_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
        return osa::damerau_levenshtein_score_array(q, t);
    }),
    /* 3 its normalized form */ similarity_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
        return osa::damerau_levenshtein_normalized_score_array(q, t);
    }),
    /* 4 hamming */ distance_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
        return hamming::hamming_score_array(q, t);
    }),
    /* 5 hamming normalized */ similarity_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
        return hamming::hamming_normalized_score_array(q, t);
    }),
    /* 6 jaro */ similarity_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
        return jaro::jaro_similarity_array(q, t);
    }),
    /* 7 jaro-winkler */ similarity_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &boost) {
        return jaro::jaro_winkler_similarity_array(q, t, boost);
    }),
    /* 8 indel */ distance_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
        return indel::indel_score_array(q, t);
    }),
    /* 9 indel normalized */ similarity_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
        return indel::indel_normalized_score_array(q, t);
    }),
    /* 10 unrestricted damerau-levenshtein */ distance_row(
        [](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
            return true_damerau_levenshtein::true_damerau_levenshtein_score_array(q, t);
        }),
    /* 11 its normalized form */ similarity_row([](PyObject *q, TargetSnapshot &t, const jaro::WinklerBoost &) {
        return true_damerau_levenshtein::true_damerau_levenshtein_normalized_score_array(q, t);
    }),
};

constexpr uint32_t SCORER_COUNT = sizeof(RANKED_SCORERS) / sizeof(RANKED_SCORERS[0]);

}  // namespace

nb::list rank_targets(ScorerId id, PyObject *query, PyObject *targets, uint64_t k, const jaro::WinklerBoost &boost) {
    reject_single_text_targets(targets);
    TargetSnapshot snapshot = batch_targets(targets);
    // Read as unsigned, so that every negative id is unknown too.
    if (static_cast<uint32_t>(id) >= SCORER_COUNT)
        raise_value_error("unknown Scorer value");
    const RankedScorer &scorer = RANKED_SCORERS[id];
    if (scorer.distances != nullptr) {
        const std::vector<int64_t> scores = scorer.distances(query, snapshot, boost);
        return select_top_k(scores, snapshot.items(), k, scorer.higher_is_better);
    }
    const std::vector<double> scores = scorer.similarities(query, snapshot, boost);
    return select_top_k_float(scores, snapshot.items(), k, scorer.higher_is_better);
}

nb::list py_jaro_winkler_top_k(nb::handle query, nb::handle targets, uint64_t k, double prefix_weight,
                               double prefix_threshold, uint64_t prefix_cap) {
    return rank_targets(7, query.ptr(), targets.ptr(), k, jaro::WinklerBoost{prefix_weight, prefix_threshold, prefix_cap});
}

nb::list py_extract(nb::handle query, nb::handle targets, ScorerId scorer, uint64_t k) {
    return rank_targets(scorer, query.ptr(), targets.ptr(), k, jaro::WinklerBoost{});
}

}  // namespace veltrocamber::distance
