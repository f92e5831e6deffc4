#include "distance/osa_bindings.hpp"

#include "distance/batch_byte_query.hpp"
#include "distance/edit_distance_pairs.hpp"
#include "distance/osa.hpp"

namespace nb = nanobind;

namespace veltrocamber::osa {

const char *const DAMERAU_LEVENSHTEIN_SCORE_DOC =
    "Optimal String Alignment (OSA) distance between two sequences.\n"
    "\n"
    "Like Levenshtein but adjacent transpositions cost 1 instead of 2\n"
    "substitutions. Restricted in the OSA sense: each character can\n"
    "participate in at most one edit.";

const char *const DAMERAU_LEVENSHTEIN_NORMALIZED_SCORE_DOC =
    "Length-normalized OSA similarity in [0, 1] (1 = identical).";

const char *const OSA_MISMATCHED_WIDTHS = "damerau_levenshtein: mismatched token widths from preprocess";

namespace {

// In a batch the byte query's pattern masks are built once.
struct OsaDistance {
    distance::BatchByteQuery batch;

    void begin_batch() noexcept { batch.begin(); }

    uint64_t bytes(const distance::ByteText &q, const distance::ByteText &t) {
        if (const auto *p = batch.masks(q))
            return osa_prepared(*p, t.data, t.size, batch.work());
        return osa_bytes(q.data, q.size, t.data, t.size);
    }

    uint64_t tokens(PyObject *q, PyObject *t) const {
        return distance::token_pair_result(
            q, t, OSA_MISMATCHED_WIDTHS,
            [](const auto &a, const auto &b) { return osa_tokens(a, b); });
    }
};

// Normalised by the longer length in symbols: bytes on the byte path, tokens
// on the token path.
struct OsaSimilarity {
    OsaDistance distance;

    void begin_batch() noexcept { distance.begin_batch(); }

    double bytes(const distance::ByteText &q, const distance::ByteText &t) {
        return distance::max_length_similarity(distance.bytes(q, t), q.size, t.size);
    }

    double tokens(PyObject *q, PyObject *t) const {
        return distance::token_pair_result(
            q, t, OSA_MISMATCHED_WIDTHS, [](const auto &a, const auto &b) {
                return distance::max_length_similarity(osa_tokens(a, b), a.size(), b.size());
            });
    }
};

}  // namespace

int64_t damerau_levenshtein_score(nb::handle query, nb::handle target) {
    OsaDistance metric;
    return static_cast<int64_t>(distance::score_pair(query.ptr(), target.ptr(), metric));
}

double damerau_levenshtein_normalized_pair(PyObject *query, PyObject *target) {
    OsaSimilarity metric;
    return distance::score_pair(query, target, metric);
}

double damerau_levenshtein_normalized_score(nb::handle query, nb::handle target) {
    return damerau_levenshtein_normalized_pair(query.ptr(), target.ptr());
}

std::vector<int64_t> damerau_levenshtein_score_array(PyObject *query, PyObject *targets) {
    OsaDistance metric;
    return distance::score_targets<int64_t>(query, targets, metric);
}

std::vector<double> damerau_levenshtein_normalized_score_array(PyObject *query, PyObject *targets) {
    OsaSimilarity metric;
    return distance::score_targets<double>(query, targets, metric);
}

Int64Array damerau_levenshtein_scores(nb::handle query, nb::handle targets) {
    return to_int64_array(damerau_levenshtein_score_array(query.ptr(), targets.ptr()));
}

Float64Array damerau_levenshtein_normalized_scores(nb::handle query, nb::handle targets) {
    return to_float64_array(damerau_levenshtein_normalized_score_array(query.ptr(), targets.ptr()));
}

}  // namespace veltrocamber::osa
