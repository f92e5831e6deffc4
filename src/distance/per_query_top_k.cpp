#include "distance/per_query_top_k.hpp"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "distance/edit_distance_pairs.hpp"
#include "distance/hamming_bindings.hpp"
#include "distance/indel_bindings.hpp"
#include "distance/jaro_bindings.hpp"
#include "distance/levenshtein_bindings.hpp"
#include "distance/normalized_similarity.hpp"
#include "distance/osa_bindings.hpp"
#include "distance/sequence_length.hpp"
#include "distance/similarity_bounds.hpp"
#include "distance/true_damerau_levenshtein_bindings.hpp"
#include "module/input_snapshots.hpp"
#include "module/input_views.hpp"
#include "module/interrupt_poll.hpp"
#include "module/memory_errors.hpp"
#include "module/memory_guard.hpp"
#include "module/raisers.hpp"
#include "module/top_k.hpp"

namespace nb = nanobind;

namespace veltrocamber::distance {

const char *const CDIST_TOP_K_ONE_QUERY_DOC =
    "Top-k targets for one query.\n"
    "\n"
    "Returns ``list[(score, target)]`` sorted descending by score.\n"
    "Set ``pruning=True`` to enable adaptive length-difference\n"
    "pruning: as targets are processed, the worst-in-heap score is\n"
    "tracked and targets whose closed-form length-based upper bound\n"
    "on similarity can't beat it are skipped before the scoring\n"
    "kernel runs. Off by default (every pair is scored).\n"
    "\n"
    "Scorer must be a normalised-similarity scorer.";

namespace {

constexpr const char *FUNCTION = "cdist_top_k_one_query";

// Bit `id` set for the normalised-similarity ids 1, 3, 5, 6, 7, 9 and 11.
constexpr uint32_t SIMILARITY_SCORERS = 0xAEA;

[[noreturn]] void raise_not_a_similarity_scorer() {
    raise_type_error(
        "cdist_top_k_per_query: scorer must be a normalised-similarity scorer (LEVENSHTEIN_NORMALIZED, "
        "DAMERAU_LEVENSHTEIN_NORMALIZED, HAMMING_NORMALIZED, INDEL_NORMALIZED, TRUE_DAMERAU_LEVENSHTEIN_NORMALIZED, "
        "JARO, or JARO_WINKLER)");
}

// The scorers of the search. Each gives bound(lq, lt), the most a pair of
// those lengths (len() of the objects) can score, and score(query, target,
// lq, lt, poll), its score on either road, the pair's cells counted in the
// search's poll: the numbers of the scorer's batch function. A metric that
// keeps a byte-like query's masks across targets (`metric`, when it has
// begin_batch) builds them once.

// Levenshtein and optimal string alignment: normalised by the longer length
// in symbols.
template <typename Similarity>
struct LongerLengthScorer {
    Similarity metric;
    double bound(uint64_t lq, uint64_t lt) const { return longer_length_bound(lq, lt); }
    double score(BatchQuery &query, PyObject *target, uint64_t, uint64_t, InterruptPoll &poll) {
        return score_target(query, target, metric, poll);
    }
};

struct HammingScorer {
    double bound(uint64_t lq, uint64_t lt) const { return hamming_bound(lq, lt); }
    double score(BatchQuery &query, PyObject *target, uint64_t, uint64_t, InterruptPoll &) {
        return hamming::hamming_normalized_pair(query.token_object(), target, FUNCTION);
    }
};

struct JaroScorer {
    jaro::JaroMetric metric;
    double bound(uint64_t lq, uint64_t lt) const { return jaro_bound(lq, lt); }
    double score(BatchQuery &query, PyObject *target, uint64_t, uint64_t, InterruptPoll &poll) {
        return score_target(query, target, metric, poll);
    }
};

struct JaroWinklerScorer {
    jaro::JaroWinklerMetric metric;
    double bound(uint64_t lq, uint64_t lt) const { return jaro_winkler_bound(lq, lt, metric.boost); }
    double score(BatchQuery &query, PyObject *target, uint64_t, uint64_t, InterruptPoll &poll) {
        return score_target(query, target, metric, poll);
    }
};

// Indel and the unrestricted distance: normalised by the len() of the two
// objects, taken once per side.
struct IndelScorer {
    indel::IndelDistance metric = indel::indel_distance();
    double bound(uint64_t lq, uint64_t lt) const { return length_sum_bound(lq, lt); }
    double score(BatchQuery &query, PyObject *target, uint64_t lq, uint64_t lt, InterruptPoll &poll) {
        return normalized_similarity<NormalizedBy::length_sum>(score_target(query, target, metric, poll), lq, lt);
    }
};

struct TrueDamerauLevenshteinScorer {
    double bound(uint64_t lq, uint64_t lt) const { return longer_length_bound(lq, lt); }
    double score(BatchQuery &query, PyObject *target, uint64_t lq, uint64_t lt, InterruptPoll &) {
        const uint64_t d = true_damerau_levenshtein::true_damerau_levenshtein_pair(query.token_object(), target);
        return normalized_similarity<NormalizedBy::longer_length>(d, lq, lt);
    }
};

// A candidate in the heap: its score and its target's index in the
// snapshot.
using Candidate = top_k_detail::HeapEntry<double>;

// The candidates of one search, in heap order until sorted.
struct Search {
    BatchQuery &query;
    TargetSnapshot &targets;
    uint64_t lq;
    uint64_t k;
    bool pruning;
    std::vector<Candidate> &candidates;

    template <typename Scorer>
    void run(Scorer &scorer) {
        if constexpr (requires { scorer.metric; })
            begin_batch(query, scorer.metric);
        top_k_detail::BoundedHeap<double> heap(candidates, true);
        InterruptPoll poll;
        for (size_t i = 0; i < targets.size(); ++i) {
            PyObject *target = targets[i];  // the snapshot's, held by the check if one comes
            poll_before_target(poll, query, target);
            const uint64_t lt = target_length(target, FUNCTION, i);
            const double u = scorer.bound(lq, lt);
            if (u <= 0.0)  // the pair has no score worth listing
                continue;
            const bool full = candidates.size() == k;
            if (pruning && full && u <= candidates[0].score)
                continue;
            const double score = scorer.score(query, target, lq, lt, poll);
            if (!full)
                heap.push(Candidate{score, i});
            else if (top_k_detail::better(score, candidates[0].score, true))
                heap.replace_root(Candidate{score, i});
        }
    }
};

// Room for k candidates before any target is read: a k that cannot be held
// fails the call at once, as MemoryError whatever the reason (beyond the
// memory available, beyond what a vector can hold, or refused by malloc).
std::vector<Candidate> reserve_candidates(uint64_t k) {
    std::vector<Candidate> candidates;
    try {
        guarded_block_bytes("candidates", 1, k, sizeof(Candidate));
        if (k > candidates.max_size())
            throw std::bad_alloc();
        candidates.reserve(k);
    } catch (const std::bad_alloc &) {  // MemoryRefusal included
        PyErr_Format(PyExc_MemoryError, "%s: no room for k = %llu candidates", FUNCTION,
                     static_cast<unsigned long long>(k));
        raise_pending();
    }
    return candidates;
}

}  // namespace

nb::list py_cdist_top_k_one_query(nb::handle query, nb::handle targets, ScorerId scorer, uint64_t k,
                                  double prefix_weight, double prefix_threshold, uint64_t prefix_cap, bool pruning) {
    // Read as unsigned, so that every negative id is refused too.
    const auto id = static_cast<uint32_t>(scorer);
    if (id > 11 || ((SIMILARITY_SCORERS >> id) & 1) == 0)
        raise_not_a_similarity_scorer();
    reject_single_text_targets(targets.ptr());
    // Read in place, and held before any Python code runs, interrupt checks
    // included: the search lists the targets it scored, as passed.
    TargetSnapshot snapshot(targets.ptr(), TARGET_SEQUENCES_MESSAGE, deferred_until_python_code);
    if (k == 0 || snapshot.size() == 0)
        return nb::list();
    std::vector<Candidate> candidates = reserve_candidates(k);

    BatchQuery batch_query(query.ptr(), snapshot);
    const uint64_t lq = search_query_length(batch_query, query.ptr(), FUNCTION);
    Search search{batch_query, snapshot, lq, k, pruning, candidates};
    name_memory_refusals(FUNCTION, [&] {
        switch (id) {
            case 1: {
                LongerLengthScorer<levenshtein::LevenshteinSimilarity> s{
                    {levenshtein::levenshtein_distance(levenshtein::NO_CUTOFF)}};
                return search.run(s);
            }
            case 3: {
                LongerLengthScorer<osa::OsaSimilarity> s{{osa::osa_distance()}};
                return search.run(s);
            }
            case 5: {
                HammingScorer s;
                return search.run(s);
            }
            case 6: {
                JaroScorer s;
                return search.run(s);
            }
            case 7: {
                JaroWinklerScorer s{{jaro::WinklerBoost{prefix_weight, prefix_threshold, prefix_cap}, {}}};
                return search.run(s);
            }
            case 9: {
                IndelScorer s;
                return search.run(s);
            }
            default: {
                TrueDamerauLevenshteinScorer s;
                return search.run(s);
            }
        }
    });

    // Best first, NaN last; equal scores in no particular order.
    std::sort(candidates.begin(), candidates.end(),
              [](const Candidate &a, const Candidate &b) { return top_k_detail::better(a.score, b.score, true); });
    // A reference to every listed target before any Python object is made
    // (making one may run Python code, a garbage collection, while the list
    // may still be read in place).
    std::vector<nb::object> listed;
    listed.reserve(candidates.size());
    for (const Candidate &c : candidates)
        listed.push_back(nb::borrow(snapshot[c.index]));
    nb::list out;
    for (size_t i = 0; i < candidates.size(); ++i)
        out.append(nb::make_tuple(nb::float_(candidates[i].score), listed[i]));
    return out;
}

}  // namespace veltrocamber::distance
