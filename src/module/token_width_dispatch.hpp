// Width dispatch for the token kernels of one algorithm.
//
// preprocess() always hands back two token vectors of one width, so a metric
// needs its kernel once per width. token_width_dispatch() looks the pair up in
// a 4 by 4 table indexed by the query's and the target's alternative: the
// diagonal calls `kernel` with both vectors of that token type; every other
// entry raises RuntimeError with `mismatch_message` (by convention the
// algorithm's name followed by ": mismatched token widths from preprocess").
//
// `kernel` is a generic callable, typically a C++20 template lambda:
//
//     int64_t d = token_width_dispatch(pair.query, pair.target,
//         "levenshtein: mismatched token widths from preprocess",
//         [&]<typename T>(const std::vector<T> &q, const std::vector<T> &t) {
//             return levenshtein_kernel<T>(q.data(), q.size(), t.data(), t.size());
//         });
//
// Every diagonal instance must return the same type, which is what the
// dispatch returns. The callable is invoked at most once; its exceptions pass
// through unchanged. No Python API is included here.
#pragma once

#include <array>
#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

#include "module/token_vector.hpp"

namespace veltrocamber {

// Sets RuntimeError with `message` and throws python_error.
[[noreturn]] void raise_mismatched_token_widths(const char *message);

namespace token_dispatch_detail {

template <typename Kernel>
using dispatch_result_t =
    std::invoke_result_t<Kernel &, const std::vector<uint8_t> &, const std::vector<uint8_t> &>;

template <typename Kernel, size_t Q, size_t T>
dispatch_result_t<Kernel> dispatch_entry(Kernel &kernel, const TokenVector &query, const TokenVector &target,
                                         const char *mismatch_message) {
    if constexpr (Q == T) {
        (void)mismatch_message;
        return kernel(*std::get_if<Q>(&query), *std::get_if<T>(&target));
    } else {
        (void)kernel;
        (void)query;
        (void)target;
        raise_mismatched_token_widths(mismatch_message);
    }
}

template <typename Kernel>
using dispatch_entry_t = dispatch_result_t<Kernel> (*)(Kernel &, const TokenVector &, const TokenVector &,
                                                       const char *);

template <typename Kernel, size_t... I>
constexpr std::array<dispatch_entry_t<Kernel>, 16> make_dispatch_table(std::index_sequence<I...>) {
    return {&dispatch_entry<Kernel, I / 4, I % 4>...};
}

}  // namespace token_dispatch_detail

template <typename Kernel>
decltype(auto) token_width_dispatch(const TokenVector &query, const TokenVector &target,
                                    const char *mismatch_message, Kernel &&kernel) {
    using K = std::remove_reference_t<Kernel>;
    static constexpr auto table = token_dispatch_detail::make_dispatch_table<K>(std::make_index_sequence<16>{});
    return table[query.index() * 4 + target.index()](kernel, query, target, mismatch_message);
}

}  // namespace veltrocamber
