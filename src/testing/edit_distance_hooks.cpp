// Test hooks for the kernels of the optimal string alignment, Hamming, Indel,
// Jaro and unrestricted Damerau-Levenshtein distances: each member on its
// own, so that the tests can hold the members of one metric against each
// other across the 64-symbol boundary, run the token members at every width,
// reach the off-diagonal entries of the width tables and probe the size
// guard of the unrestricted table.
#include <Python.h>

#include <cstdint>
#include <string>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "distance/hamming.hpp"
#include "distance/hamming_bindings.hpp"
#include "distance/indel.hpp"
#include "distance/indel_bindings.hpp"
#include "distance/jaro.hpp"
#include "distance/jaro_bindings.hpp"
#include "distance/osa.hpp"
#include "distance/osa_bindings.hpp"
#include "distance/true_damerau_levenshtein.hpp"
#include "distance/true_damerau_levenshtein_bindings.hpp"
#include "module/interrupt_poll.hpp"
#include "module/raisers.hpp"
#include "module/token_vector.hpp"
#include "module/token_width_dispatch.hpp"
#include "testing/edit_distance_hook_inputs.hpp"
#include "testing/test_hooks.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber::testing {
namespace {

void require_word(const nb::bytes &b, const char *what) {
    if (b.size() > 64)
        raise_value_error(what);
}

// The metric's width table on two token vectors of the given widths, with
// the kernel and the message its bindings use.
nb::object dispatch(const std::string &metric, const TokenVector &q, const TokenVector &t) {
    InterruptPoll poll;
    if (metric == "damerau_levenshtein")
        return nb::int_(token_width_dispatch(q, t, osa::OSA_MISMATCHED_WIDTHS,
                                             [&poll](const auto &a, const auto &b) {
                                                 return osa::osa_tokens(a, b, poll);
                                             }));
    if (metric == "hamming")
        return nb::int_(token_width_dispatch(q, t, hamming::HAMMING_MISMATCHED_WIDTHS,
                                             [](const auto &a, const auto &b) {
                                                 if (a.size() != b.size())
                                                     raise_value_error("unequal lengths");
                                                 return hamming::hamming_count(a.data(), b.data(), a.size());
                                             }));
    if (metric == "indel")
        return nb::int_(token_width_dispatch(q, t, indel::INDEL_MISMATCHED_WIDTHS,
                                             [&poll](const auto &a, const auto &b) {
                                                 return indel::indel_tokens(a, b, poll);
                                             }));
    if (metric == "jaro")
        return nb::float_(token_width_dispatch(q, t, jaro::JARO_MISMATCHED_WIDTHS,
                                               [&poll](const auto &a, const auto &b) {
                                                   return jaro::jaro_tokens(a, b, poll);
                                               }));
    if (metric == "jaro_prefix")
        return nb::int_(token_width_dispatch(q, t, jaro::JARO_MISMATCHED_WIDTHS,
                                             [](const auto &a, const auto &b) {
                                                 return jaro::common_prefix_tokens(4, a, b);
                                             }));
    if (metric == "true_damerau_levenshtein")
        return nb::int_(token_width_dispatch(
            q, t, true_damerau_levenshtein::TRUE_DAMERAU_LEVENSHTEIN_MISMATCHED_WIDTHS,
            [&poll](const auto &a, const auto &b) {
                return true_damerau_levenshtein::true_damerau_levenshtein_tokens(a, b, poll);
            }));
    raise_value_error("unknown metric");
}

}  // namespace

void register_edit_distance_hooks(nb::module_ &m) {
    // Byte members, by name.
    const auto one_word_query = [](size_t lq, size_t) { return lq <= 64; };
    const auto non_empty = [](size_t lq, size_t lt) { return lq != 0 && lt != 0; };
    const auto blocked_query = [](size_t lq, size_t lt) { return lq > 64 && lt != 0; };
    const auto any = [](size_t, size_t) { return true; };
    constexpr const char *LONG_QUERY = "query longer than 64 bytes";
    constexpr const char *EMPTY_SIDE = "both sides must be non-empty";
    constexpr const char *NOT_BLOCKED = "query must be longer than 64 bytes, target non-empty";
    def_byte_kernel(m, "osa_single_word", &osa::osa_single_word, one_word_query, LONG_QUERY);
    def_byte_kernel(m, "osa_three_row", &osa::osa_three_row<uint8_t>, non_empty, EMPTY_SIDE);
    def_byte_kernel(m, "indel_single_word", &indel::indel_single_word, one_word_query, LONG_QUERY);
    def_byte_kernel(m, "indel_two_row", &indel::indel_two_row<uint8_t>, non_empty, EMPTY_SIDE);
    m.def("jaro_bit_parallel", [](nb::bytes q, nb::bytes t) {
        require_word(q, LONG_QUERY);
        require_word(t, "target longer than 64 bytes");
        return jaro::jaro_bit_parallel(bytes_data(q), q.size(), bytes_data(t), t.size());
    });
    def_byte_kernel(m, "osa_blocked", &osa::osa_blocked, blocked_query, NOT_BLOCKED);
    def_byte_kernel(m, "indel_blocked", &indel::indel_blocked, blocked_query, NOT_BLOCKED);
    def_byte_kernel(
        m, "jaro_blocked",
        [](const uint8_t *q, size_t lq, const uint8_t *t, size_t lt) {
            InterruptPoll poll;
            return jaro::jaro_blocked(q, lq, t, lt, poll);
        },
        non_empty, EMPTY_SIDE);
    def_byte_kernel(m, "jaro_scalar", &jaro::jaro_scalar<uint8_t>, any, "");

    // A metric's token width table, both sides given as values converted to
    // the widths asked for (the values must fit the narrower one to mean
    // what they say).
    m.def(
        "edit_distance_tokens",
        [](const std::string &metric, uint64_t query_width, const std::vector<uint64_t> &query,
           uint64_t target_width, const std::vector<uint64_t> &target) {
            return dispatch(metric, tokens_of_width(query_width, query), tokens_of_width(target_width, target));
        },
        "metric"_a, "query_width"_a, "query"_a, "target_width"_a, "target"_a);

}

}  // namespace veltrocamber::testing
