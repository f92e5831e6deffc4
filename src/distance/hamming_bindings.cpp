#include "distance/hamming_bindings.hpp"

#include "distance/edit_distance_pairs.hpp"
#include "distance/hamming.hpp"
#include "distance/normalized_similarity.hpp"
#include "distance/sequence_length.hpp"
#include "module/interrupt_poll.hpp"
#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber::hamming {

const char *const HAMMING_SCORE_DOC =
    "Hamming distance between two equal-length sequences.\n"
    "\n"
    "Raises ``ValueError`` when ``len(query) != len(target)``. Pad\n"
    "inputs yourself if you want length-tolerant behavior.";

const char *const HAMMING_MISMATCHED_WIDTHS = "hamming: mismatched token widths from preprocess";

namespace {

// Unequal lengths of one pair, in symbols.
[[noreturn]] void raise_unequal_lengths(size_t lq, size_t lt) {
    PyErr_Format(PyExc_ValueError,
                 "Hamming requires equal-length inputs (query has length %zu, target has length %zu)", lq, lt);
    raise_pending();
}

// Unequal lengths found while checking a whole batch of byte-like targets.
[[noreturn]] void raise_unequal_target_length(size_t index, size_t lt, size_t lq) {
    PyErr_Format(PyExc_ValueError,
                 "Hamming requires equal-length inputs (target index %zu has length %zu, query has length %zu)",
                 index, lt, lq);
    raise_pending();
}

template <typename Symbol>
uint64_t checked_count(const Symbol *q, size_t lq, const Symbol *t, size_t lt) {
    if (lq != lt)
        raise_unequal_lengths(lq, lt);
    return hamming_count(q, t, lq);
}

// The count is linear in the length, faster than the inputs can be made:
// nothing to count in the poll inside a pair.
struct HammingDistance {
    const char *mismatch_message = HAMMING_MISMATCHED_WIDTHS;

    uint64_t bytes(const distance::ByteText &q, const distance::ByteText &t, InterruptPoll &) const {
        return checked_count(q.data, q.size, t.data, t.size);
    }

    template <typename Tokens>
    uint64_t on_tokens(const Tokens &a, const Tokens &b, InterruptPoll &) const {
        return checked_count(a.data(), a.size(), b.data(), b.size());
    }

    uint64_t tokens(PyObject *q, PyObject *t, InterruptPoll &poll) const {
        return distance::tokens_by_kernel(*this, q, t, poll);
    }
};

// Unequal lengths are an error, so the similarity needs no clamp. The
// length is that of the query: its byte count on the byte path, len() of
// the object on the token path (a query without one raises TypeError naming
// `function`).
struct HammingSimilarity {
    const char *function;

    double bytes(const distance::ByteText &q, const distance::ByteText &t, InterruptPoll &poll) const {
        return distance::normalized_similarity<distance::NormalizedBy::query_length>(
            HammingDistance{}.bytes(q, t, poll), q.size, t.size);
    }

    double tokens(PyObject *q, PyObject *t, InterruptPoll &poll) const {
        const uint64_t d = HammingDistance{}.tokens(q, t, poll);
        const uint64_t n = distance::python_length(q, function, "query");
        return distance::normalized_similarity<distance::NormalizedBy::query_length>(d, n, n);
    }
};

// The all-bytes road: a byte-like query against targets that are all
// byte-like. Targets are checked and counted in order, each while it is in
// hand (no pointer into a target outlives its turn, since an interrupt check
// may run Python code between two targets); a length mismatch names the
// target's index. Returns false, with `out` untouched, as soon as a target
// that is not byte-like shows the road does not apply (or the query is not
// byte-like, or there are no targets): the general road then starts over,
// so every length is still checked, in target order, before a count is
// returned.
bool score_all_bytes(const distance::BatchQuery &query, TargetSnapshot &targets, std::vector<int64_t> &out) {
    const size_t n = targets.size();
    if (!query.byte_like() || n == 0)
        return false;
    const distance::ByteText &q = query.bytes();
    std::vector<int64_t> counts(n);
    InterruptPoll poll;
    for (size_t i = 0; i < n; ++i) {
        poll.advance(q.size + 1);
        distance::ByteText t;
        if (!distance::byte_text(targets[i], t))
            return false;
        if (t.size != q.size)
            raise_unequal_target_length(i, t.size, q.size);
        counts[i] = static_cast<int64_t>(hamming_count(q.data, t.data, q.size));
    }
    out = std::move(counts);
    return true;
}

std::vector<int64_t> hamming_distances(distance::BatchQuery &query, TargetSnapshot &targets) {
    std::vector<int64_t> out;
    if (score_all_bytes(query, targets, out))
        return out;
    HammingDistance metric;
    return distance::score_each_target<int64_t>(query, targets, metric);
}

}  // namespace

int64_t py_hamming_score(nb::handle query, nb::handle target) {
    HammingDistance metric;
    return static_cast<int64_t>(distance::score_pair(query.ptr(), target.ptr(), metric));
}

double hamming_normalized_pair(PyObject *query, PyObject *target, const char *function) {
    HammingSimilarity metric{function};
    return distance::score_pair(query, target, metric);
}

double py_hamming_normalized_score(nb::handle query, nb::handle target) {
    return hamming_normalized_pair(query.ptr(), target.ptr(), "hamming_normalized_score");
}

std::vector<int64_t> hamming_score_array(PyObject *query, TargetSnapshot &targets) {
    distance::BatchQuery batch_query(query, targets);
    return hamming_distances(batch_query, targets);
}

std::vector<double> hamming_normalized_score_array(PyObject *query, TargetSnapshot &targets, const char *function) {
    distance::BatchQuery batch_query(query, targets);
    const std::vector<int64_t> distances = hamming_distances(batch_query, targets);
    const uint64_t n = distance::batch_query_length(batch_query, function);
    std::vector<double> out(distances.size());
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = distance::normalized_similarity<distance::NormalizedBy::query_length>(
            static_cast<uint64_t>(distances[i]), n, n);
    return out;
}

Int64Array py_hamming_scores(nb::handle query, nb::handle targets) {
    TargetSnapshot sequence = distance::batch_targets(targets.ptr());
    return to_int64_array(hamming_score_array(query.ptr(), sequence));
}

Float64Array py_hamming_normalized_scores(nb::handle query, nb::handle targets) {
    TargetSnapshot sequence = distance::batch_targets(targets.ptr());
    return to_float64_array(hamming_normalized_score_array(query.ptr(), sequence, "hamming_normalized_scores"));
}

}  // namespace veltrocamber::hamming
