// Test hooks for the Levenshtein kernels: each member on its own, with the
// cutoff as the kernels read it (an unsigned 64-bit value, all bits set for
// none), so that the tests can hold the members against each other and
// against a plain dynamic programme.
#include <Python.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "distance/byte_pattern_rows.hpp"
#include "distance/levenshtein.hpp"
#include "distance/token_pattern_masks.hpp"
#include "distance/word_arithmetic.hpp"
#include "module/interrupt_poll.hpp"
#include "module/raisers.hpp"
#include "module/token_vector.hpp"
#include "module/token_width_dispatch.hpp"
#include "testing/edit_distance_hook_inputs.hpp"
#include "testing/test_hooks.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber::testing {

void register_levenshtein_hooks(nb::module_ &m) {
    m.attr("LEVENSHTEIN_NO_CUTOFF") = nb::int_(levenshtein::NO_CUTOFF);
    m.def(
        "levenshtein_single_word",
        [](nb::bytes q, nb::bytes t, uint64_t cutoff) {
            if (q.size() > 64)
                raise_value_error("query longer than 64 bytes");
            return levenshtein::levenshtein_single_word(static_cast<const uint8_t *>(q.data()), q.size(),
                                                        static_cast<const uint8_t *>(t.data()), t.size(), cutoff);
        },
        "query"_a, "target"_a, "cutoff"_a);
    m.def(
        "levenshtein_blocked_bytes",
        [](nb::bytes q, nb::bytes t, uint64_t cutoff) {
            return levenshtein::levenshtein_blocked(static_cast<const uint8_t *>(q.data()), q.size(),
                                                    static_cast<const uint8_t *>(t.data()), t.size(), cutoff);
        },
        "query"_a, "target"_a, "cutoff"_a);
    // The band of half-width k on its own: an upper bound on the distance,
    // exact when the distance is at most 2k less the length gap. Needs
    // non-empty sides at most k apart in length.
    m.def(
        "levenshtein_banded",
        [](nb::bytes q, nb::bytes t, uint64_t k) {
            const size_t lq = q.size();
            const size_t lt = t.size();
            if (lq == 0 || lt == 0 || (lq > lt ? lq - lt : lt - lq) > k)
                raise_value_error("the band needs non-empty sides at most k apart in length");
            const size_t blocks = distance::block_count(lq);
            distance::BytePatternRows masks(bytes_data(q), lq, 2 * blocks);
            InterruptPoll poll;
            return levenshtein::banded_blocked_columns([&masks](uint8_t c) { return masks.masks_of(c); }, lq,
                                                       bytes_data(t), lt, k, masks.extra(), masks.extra() + blocks,
                                                       poll);
        },
        "query"_a, "target"_a, "k"_a);
    // The table's member for `width`, or the whole entry-point token road
    // (common affixes dropped first) when `entry` is set.
    m.def(
        "levenshtein_token_member",
        [](const std::vector<uint64_t> &q, const std::vector<uint64_t> &t, uint64_t width, uint64_t cutoff,
           bool entry) {
            const TokenVector query = tokens_of_width(width, q);
            const TokenVector target = tokens_of_width(width, t);
            return token_width_dispatch(query, target, "levenshtein: mismatched token widths from preprocess",
                                        [&]<typename T>(const std::vector<T> &a, const std::vector<T> &b) {
                                            InterruptPoll poll;
                                            return entry ? levenshtein::levenshtein_tokens(cutoff, a, b, poll)
                                                         : levenshtein::levenshtein_blocked(cutoff, a, b);
                                        });
        },
        "query"_a, "target"_a, "width"_a, "cutoff"_a, "entry"_a = false);
    // Which layout the pattern masks of `tokens` (16-, 32- or 64-bit, at
    // least one) take: "dense" or "sparse".
    m.def(
        "token_mask_layout",
        [](const std::vector<uint64_t> &tokens, uint64_t width) {
            if (width == 8 || tokens.empty())
                raise_value_error("the pattern masks take 16-, 32- or 64-bit tokens, at least one");
            return std::visit(
                [](const auto &v) -> std::string {
                    using T = typename std::decay_t<decltype(v)>::value_type;
                    if constexpr (sizeof(T) == 1) {
                        return "";
                    } else {
                        InterruptPoll poll;
                        return distance::TokenPatternMasks<T>(v.data(), v.size(), poll).dense() ? "dense" : "sparse";
                    }
                },
                tokens_of_width(width, tokens));
        },
        "tokens"_a, "width"_a);
    m.def(
        "levenshtein_mismatched_widths",
        [](uint64_t query_width, uint64_t target_width) {
            const TokenVector query = tokens_of_width(query_width, {1});
            const TokenVector target = tokens_of_width(target_width, {1});
            return token_width_dispatch(query, target, "levenshtein: mismatched token widths from preprocess",
                                        [&]<typename T>(const std::vector<T> &a, const std::vector<T> &b) {
                                            return levenshtein::levenshtein_blocked(levenshtein::NO_CUTOFF, a, b);
                                        });
        },
        "query_width"_a, "target_width"_a);
}

}  // namespace veltrocamber::testing
