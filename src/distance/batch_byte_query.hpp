// The pattern masks of a batch's byte-like query, built once per batch.
//
// The batch loop calls a metric's bytes() once per byte-like target with the
// same byte-like query, so the masks that only depend on the query (the
// prepared Levenshtein record: 256 words for up to 64 bytes, 256 x blocks
// above) need not be rebuilt for every target. A metric holds one of these,
// switches it on in begin_batch(), and asks for the masks in bytes():
// nullptr outside a batch means "compute the pair on its own".
#pragma once

#include <Python.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "distance/bit_parallel_roads.hpp"
#include "distance/edit_distance_pairs.hpp"
#include "distance/prepared_levenshtein_score.hpp"

namespace veltrocamber::distance {

class BatchByteQuery {
public:
    void begin() noexcept { in_batch_ = true; }

    // The masks of `query`, built at the first call of the batch.
    const levenshtein::PreparedLevenshteinScoreU8 *masks(const ByteText &query) {
        if (!in_batch_)
            return nullptr;
        if (!prepared_)
            prepared_ = levenshtein::prepare_levenshtein_query(query.data, query.size);
        return &*prepared_;
    }

    // Scratch that lives for the batch; kernels size it as they need.
    std::vector<uint64_t> &work() noexcept { return work_; }

private:
    bool in_batch_ = false;
    std::optional<levenshtein::PreparedLevenshteinScoreU8> prepared_;
    std::vector<uint64_t> work_;
};

// The distance of a bit-parallel Recurrence (see bit_parallel_roads.hpp) on
// every road: the byte path, the byte query of a batch on masks built once,
// and the token path through the width table that `mismatch_message` names.
template <typename Recurrence>
struct BitParallelDistance {
    explicit BitParallelDistance(const char *message, Recurrence r = {})
        : mismatch_message(message), recurrence(r) {}

    const char *mismatch_message;
    Recurrence recurrence;
    BatchByteQuery batch;

    void begin_batch() noexcept { batch.begin(); }

    uint64_t bytes(const ByteText &q, const ByteText &t, InterruptPoll &poll) {
        if (const auto *p = batch.masks(q))
            return bit_parallel_prepared(recurrence, *p, t.data, t.size, batch.work(), poll);
        return bit_parallel_bytes(recurrence, q.data, q.size, t.data, t.size, poll);
    }

    template <typename Tokens>
    uint64_t on_tokens(const Tokens &a, const Tokens &b, InterruptPoll &poll) const {
        return bit_parallel_tokens(recurrence, a, b, poll);
    }

    uint64_t tokens(PyObject *q, PyObject *t, InterruptPoll &poll) const { return tokens_by_kernel(*this, q, t, poll); }
};

}  // namespace veltrocamber::distance
