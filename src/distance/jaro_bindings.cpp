#include "distance/jaro_bindings.hpp"

#include "distance/batch_byte_query.hpp"
#include "distance/edit_distance_pairs.hpp"
#include "module/memory_errors.hpp"

namespace nb = nanobind;

namespace veltrocamber::jaro {

const char *const JARO_SIMILARITY_DOC = "Jaro similarity in [0, 1] (1 = identical, 0 = no matches in window).";

const char *const JARO_WINKLER_SIMILARITY_DOC =
    "Jaro-Winkler similarity in [0, 1].\n"
    "\n"
    "Adds ``L * prefix_weight * (1 - jaro)`` to the base Jaro score\n"
    "when the base score is at least ``prefix_threshold``; ``L`` is the\n"
    "common-prefix length, capped at ``prefix_cap`` characters.\n"
    "The defaults are those of Winkler's original formulation.";

const char *const JARO_MISMATCHED_WIDTHS = "jaro: mismatched token widths from preprocess";

namespace {

// Linear in the shorter side: nothing to count in the poll.
struct CommonPrefix {
    uint64_t cap;
    const char *mismatch_message = JARO_MISMATCHED_WIDTHS;

    uint64_t bytes(const distance::ByteText &q, const distance::ByteText &t, InterruptPoll &) const {
        return common_prefix(q.data, q.size, t.data, t.size, cap);
    }

    template <typename Tokens>
    uint64_t on_tokens(const Tokens &a, const Tokens &b, InterruptPoll &) const {
        return common_prefix_tokens(cap, a, b);
    }

    uint64_t tokens(PyObject *q, PyObject *t, InterruptPoll &poll) const {
        return distance::tokens_by_kernel(*this, q, t, poll);
    }
};

}  // namespace

double jaro_pair(PyObject *query, PyObject *target) {
    JaroMetric metric;
    return distance::score_pair(query, target, metric);
}

uint64_t common_prefix_pair(PyObject *query, PyObject *target, uint64_t cap) {
    CommonPrefix metric{cap};
    return distance::score_pair(query, target, metric);
}

double py_jaro_similarity(nb::handle query, nb::handle target) {
    return name_memory_refusals("jaro_similarity", [&] { return jaro_pair(query.ptr(), target.ptr()); });
}

double py_jaro_winkler_similarity(nb::handle query, nb::handle target, double prefix_weight, double prefix_threshold,
                                  uint64_t prefix_cap) {
    JaroWinklerMetric metric{WinklerBoost{prefix_weight, prefix_threshold, prefix_cap}, {}};
    return name_memory_refusals("jaro_winkler_similarity",
                                [&] { return distance::score_pair(query.ptr(), target.ptr(), metric); });
}

std::vector<double> jaro_similarity_array(PyObject *query, TargetSnapshot &targets) {
    JaroMetric metric;
    return distance::score_targets<double>(query, targets, metric);
}

std::vector<double> jaro_winkler_similarity_array(PyObject *query, TargetSnapshot &targets, const WinklerBoost &boost) {
    JaroWinklerMetric metric{boost, {}};
    return distance::score_targets<double>(query, targets, metric);
}

Float64Array py_jaro_similarities(nb::handle query, nb::handle targets) {
    TargetSnapshot sequence = distance::batch_targets(targets.ptr());
    return to_float64_array(
        name_memory_refusals("jaro_similarities", [&] { return jaro_similarity_array(query.ptr(), sequence); }));
}

Float64Array py_jaro_winkler_similarities(nb::handle query, nb::handle targets, double prefix_weight,
                                          double prefix_threshold, uint64_t prefix_cap) {
    const WinklerBoost boost{prefix_weight, prefix_threshold, prefix_cap};
    TargetSnapshot sequence = distance::batch_targets(targets.ptr());
    return to_float64_array(name_memory_refusals(
        "jaro_winkler_similarities", [&] { return jaro_winkler_similarity_array(query.ptr(), sequence, boost); }));
}

}  // namespace veltrocamber::jaro
