// The Python entry points of the Jaro and Jaro-Winkler similarities and the
// batch and pairwise pieces that the top-k functions, `extract` and the
// per-query search call.
#pragma once

#include <Python.h>

#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>

#include "distance/batch_byte_query.hpp"
#include "distance/edit_distance_pairs.hpp"
#include "distance/jaro.hpp"
#include "module/input_snapshots.hpp"
#include "module/interrupt_poll.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber::jaro {

// RuntimeError text of the off-diagonal entries of the token width tables (the Jaro and the prefix table).
extern const char *const JARO_MISMATCHED_WIDTHS;
extern const char *const JARO_SIMILARITY_DOC;
extern const char *const JARO_WINKLER_SIMILARITY_DOC;

double py_jaro_similarity(nanobind::handle query, nanobind::handle target);
double py_jaro_winkler_similarity(nanobind::handle query, nanobind::handle target, double prefix_weight,
                                  double prefix_threshold, uint64_t prefix_cap);
Float64Array py_jaro_similarities(nanobind::handle query, nanobind::handle targets);
Float64Array py_jaro_winkler_similarities(nanobind::handle query, nanobind::handle targets, double prefix_weight,
                                          double prefix_threshold, uint64_t prefix_cap);

// In a batch the byte query's pattern masks are built once.
struct JaroMetric {
    const char *mismatch_message = JARO_MISMATCHED_WIDTHS;
    distance::BatchByteQuery batch;

    void begin_batch() noexcept { batch.begin(); }

    double bytes(const distance::ByteText &q, const distance::ByteText &t, InterruptPoll &poll) {
        if (const auto *p = batch.masks(q))
            return jaro_prepared(*p, t.data, t.size, poll);
        return jaro_bytes(q.data, q.size, t.data, t.size, poll);
    }

    template <typename Tokens>
    double on_tokens(const Tokens &a, const Tokens &b, InterruptPoll &poll) const {
        return jaro_tokens(a, b, poll);
    }

    double tokens(PyObject *q, PyObject *t, InterruptPoll &poll) const {
        return distance::tokens_by_kernel(*this, q, t, poll);
    }
};

// The boost reads the prefix from the same token vectors as the Jaro value,
// so a pair is prepared once, and a one-shot iterable is read only once.
struct JaroWinklerMetric {
    WinklerBoost boost;
    JaroMetric jaro;

    void begin_batch() noexcept { jaro.begin_batch(); }

    double bytes(const distance::ByteText &q, const distance::ByteText &t, InterruptPoll &poll) {
        const double j = jaro.bytes(q, t, poll);
        if (!boost.applies(j))
            return j;
        return boost.boosted(j, common_prefix(q.data, q.size, t.data, t.size, boost.prefix_cap));
    }

    double tokens(PyObject *q, PyObject *t, InterruptPoll &poll) const {
        return distance::token_pair_result(
            q, t, jaro.mismatch_message, poll, [this, &poll](const auto &a, const auto &b) {
                const double j = jaro_tokens(a, b, poll);
                if (!boost.applies(j))
                    return j;
                return boost.boosted(j, common_prefix_tokens(boost.prefix_cap, a, b));
            });
    }
};

// The Jaro similarity of one pair, by either road.
double jaro_pair(PyObject *query, PyObject *target);
// The common prefix of one pair, at most `cap` symbols, by either road.
uint64_t common_prefix_pair(PyObject *query, PyObject *target, uint64_t cap);

// Batch cores, one value per target in order.
std::vector<double> jaro_similarity_array(PyObject *query, TargetSnapshot &targets);
std::vector<double> jaro_winkler_similarity_array(PyObject *query, TargetSnapshot &targets, const WinklerBoost &boost);

}  // namespace veltrocamber::jaro
