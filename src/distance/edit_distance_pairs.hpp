// The two roads of the edit distances, and the batch loop over `targets`.
//
// Every edit distance compares a pair on one of two roads, chosen per pair:
// - the byte path, when both inputs are byte-like (bytes, or a str stored
//   one byte per character, in any mix): the raw storage is compared byte
//   for byte, so the byte 0xE9 equals the character U+00E9;
// - the token path for every other pair: `preprocess` with the edit-distance
//   scoring values turns both sides into token vectors of one width.
//
// A metric plugs in as a small struct with two members:
//   R bytes(const ByteText &query, const ByteText &target, InterruptPoll &poll);
//   R tokens(PyObject *query, PyObject *target, InterruptPoll &poll);
//                                   // usually token_pair_result or tokens_by_kernel
// and may add `void begin_batch()`, called once before the targets of a batch
// when the query is byte-like, so that it can build what only depends on the
// query once (every `bytes` call of that batch then sees the same query).
// score_pair runs one pair; score_targets runs a batch (over one snapshot of
// `targets`, taken with the batch message by batch_targets, one result per
// target in order, the first error ending the call).
//
// `poll` is the call's InterruptPoll: a pair's own, or the one that a batch
// loop also counts its targets in, so that one count spans the whole call.
// The kernels count their cells in it as they run, and a check there may
// run Python code (signal handlers) in the middle of a pair: what a pair
// reads stays alive across it (the call's arguments, the target that a
// snapshot hands out, prepared token vectors).
#pragma once

#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include <nanobind/nanobind.h>

#include "distance/normalized_similarity.hpp"
#include "module/input_snapshots.hpp"
#include "module/input_views.hpp"
#include "module/interrupt_poll.hpp"
#include "module/preprocess.hpp"
#include "module/raisers.hpp"
#include "module/token_width_dispatch.hpp"

namespace veltrocamber::distance {

// The raw bytes of a byte-like argument, borrowed from the object.
struct ByteText {
    const uint8_t *data = nullptr;
    size_t size = 0;
};

// Fills `out` and returns true when `object` is bytes or a one-byte str.
inline bool byte_text(PyObject *object, ByteText &out) {
    const int mode = raw_text_mode(object);
    if (mode == 0)
        return false;
    const RawText raw = raw_text_view(object, mode);
    out = ByteText{raw.data, raw.length};
    return true;
}

// The token path of one pair: `preprocess` with the edit-distance scoring
// values (1, -1, -1, -1, automatic width), counting the numbering of
// objects in `poll`, then `kernel` on the two token sequences through the
// width table (`mismatch_message` names the metric).
// `kernel` is a generic callable taking two std::span<const T> of one token
// type T (uint8_t, uint16_t, uint32_t or uint64_t); the prepared pair is
// released on every exit.
//
// Two str of one storage kind skip `preprocess`: their storage already is a
// token sequence of one width, and `preprocess` has nothing to refuse in such
// a pair, so the kernel reads it in place. The width may then be narrower
// than the one `preprocess` would pick from the score bound; the edit
// distances only compare tokens for equality, so nothing else changes.
template <typename Kernel>
auto token_pair_result(PyObject *query, PyObject *target, const char *mismatch_message, InterruptPoll &poll,
                       Kernel &&kernel) {
    if (PyUnicode_Check(query) && PyUnicode_Check(target) && PyUnicode_KIND(query) == PyUnicode_KIND(target)) {
        const void *q = PyUnicode_DATA(query);
        const void *t = PyUnicode_DATA(target);
        const auto lq = static_cast<size_t>(PyUnicode_GET_LENGTH(query));
        const auto lt = static_cast<size_t>(PyUnicode_GET_LENGTH(target));
        switch (PyUnicode_KIND(query)) {
            case PyUnicode_1BYTE_KIND:
                return kernel(std::span(static_cast<const uint8_t *>(q), lq),
                              std::span(static_cast<const uint8_t *>(t), lt));
            case PyUnicode_2BYTE_KIND:
                return kernel(std::span(static_cast<const uint16_t *>(q), lq),
                              std::span(static_cast<const uint16_t *>(t), lt));
            case PyUnicode_4BYTE_KIND:
                return kernel(std::span(static_cast<const uint32_t *>(q), lq),
                              std::span(static_cast<const uint32_t *>(t), lt));
            default: break;  // left to preprocess, which refuses it
        }
    }
    const PreprocessedPair pair = preprocess(query, target, 1, -1, -1, -1, 0, &poll);
    return token_width_dispatch(pair.query, pair.target, mismatch_message,
                                [&kernel]<typename T>(const std::vector<T> &a, const std::vector<T> &b) {
                                    return kernel(std::span<const T>(a), std::span<const T>(b));
                                });
}

// The token road of a metric that names its kernel on two token sequences
// of one width, `on_tokens(a, b, poll)`, and its width table's message,
// `mismatch_message`.
template <typename Metric>
auto tokens_by_kernel(const Metric &metric, PyObject *query, PyObject *target, InterruptPoll &poll) {
    return token_pair_result(query, target, metric.mismatch_message, poll,
                             [&metric, &poll](const auto &a, const auto &b) { return metric.on_tokens(a, b, poll); });
}

// A distance metric (bytes(), on_tokens(), mismatch_message, and perhaps
// begin_batch()) normalised by the longer length in symbols: bytes on the
// byte path, tokens on the token path.
template <typename Distance>
struct MaxLengthSimilarity {
    Distance distance;

    void begin_batch() {
        if constexpr (requires { distance.begin_batch(); })
            distance.begin_batch();
    }

    double bytes(const ByteText &q, const ByteText &t, InterruptPoll &poll) {
        return normalized_similarity<NormalizedBy::longer_length>(distance.bytes(q, t, poll), q.size, t.size);
    }

    double tokens(PyObject *q, PyObject *t, InterruptPoll &poll) const {
        return token_pair_result(q, t, distance.mismatch_message, poll, [this, &poll](const auto &a, const auto &b) {
            return normalized_similarity<NormalizedBy::longer_length>(distance.on_tokens(a, b, poll), a.size(),
                                                                      b.size());
        });
    }
};

// One pair, on whichever road it takes.
template <typename Metric>
auto score_pair(PyObject *query, PyObject *target, Metric &metric) {
    InterruptPoll poll;
    ByteText q;
    ByteText t;
    if (byte_text(query, q) && byte_text(target, t))
        return metric.bytes(q, t, poll);
    return metric.tokens(query, target, poll);
}

// The query as every pair of one batch sees it. A byte-like query is read
// in place, once. Any other query is read once into one version
// (ReusableInput: a list into a tuple of its items at once, another
// iterable at its first use on the token path), which `preprocess` reads
// again for each target, so that each pair keeps its own token width and
// numbering. Reading a query other than an exact str or bytes may run Python
// code, so such a query takes the targets' snapshot at once.
class BatchQuery {
public:
    BatchQuery(PyObject *query, TargetSnapshot &targets) : query_(holding_targets_first(query, targets), "query") {
        byte_like_ = byte_text(query, bytes_);
    }

    bool byte_like() const noexcept { return byte_like_; }
    const ByteText &bytes() const noexcept { return bytes_; }
    uint64_t symbol_count_hint() const noexcept { return veltrocamber::symbol_count_hint(query_.current()); }
    PyObject *token_object() { return query_.get(); }

private:
    // The targets are held before the query is read (a collection run by the
    // query's tuple could edit the list).
    static PyObject *holding_targets_first(PyObject *query, TargetSnapshot &targets) {
        if (!is_exact_text(query))
            targets.hold();
        return query;
    }

    ReusableInput query_;
    bool byte_like_ = false;
    ByteText bytes_;
};

// One target of a batch, on whichever road it takes with the query, its
// cells counted in the batch's poll.
template <typename Metric>
auto score_target(BatchQuery &query, PyObject *target, Metric &metric, InterruptPoll &poll) {
    ByteText t;
    if (query.byte_like() && byte_text(target, t))
        return metric.bytes(query.bytes(), t, poll);
    return metric.tokens(query.token_object(), target, poll);
}

// Paces a batch's interrupt polls by the sizes of its pairs.
inline void poll_before_target(InterruptPoll &poll, const BatchQuery &query, PyObject *target) {
    poll.advance(InterruptPoll::pair_cells(query.symbol_count_hint(), symbol_count_hint(target)));
}

// Before the first target of a batch: a metric that builds what only
// depends on a byte-like query does so once.
template <typename Metric>
void begin_batch(const BatchQuery &query, Metric &metric) {
    if constexpr (requires { metric.begin_batch(); }) {
        if (query.byte_like())
            metric.begin_batch();
    }
}

// The batch entry of a target is its result as it stands.
struct ResultAsItStands {
    template <typename R>
    R operator()(R result, PyObject *, size_t) const noexcept {
        return result;
    }
};

// One result per target, in order; an error for any target ends the call.
// `finish(result, target, i)` makes target i's entry while the target is in
// hand (a second reading of the targets could meet other objects, put in
// the list by a signal handler that an interrupt check ran in between).
template <typename Result, typename Metric, typename Finish = ResultAsItStands>
std::vector<Result> score_each_target(BatchQuery &query, TargetSnapshot &targets, Metric &metric,
                                      Finish finish = {}) {
    const size_t n = targets.size();
    std::vector<Result> out;
    out.reserve(n);
    begin_batch(query, metric);
    InterruptPoll poll;
    for (size_t i = 0; i < n; ++i) {
        PyObject *target = targets[i];  // kept alive across the check
        poll_before_target(poll, query, target);
        out.push_back(finish(score_target(query, target, metric, poll), target, i));
    }
    return out;
}

template <typename Result, typename Metric>
std::vector<Result> score_targets(PyObject *query, TargetSnapshot &targets, Metric &metric) {
    BatchQuery batch_query(query, targets);
    return score_each_target<Result>(batch_query, targets, metric);
}

// The targets of a batch: PySequence_Fast with the batch message, read in
// place until Python code may run (a deferred snapshot). The batch cores
// score this snapshot, and a top-k function selects from the same one.
inline TargetSnapshot batch_targets(PyObject *targets) {
    return TargetSnapshot(targets, TARGET_SEQUENCES_MESSAGE, deferred_snapshot);
}

}  // namespace veltrocamber::distance
