// Test hooks for input preparation: token vectors, preprocess and the kernel
// width selection, the Farrar token channel and aligned-row rendering.
#include <Python.h>

#include <cstdint>
#include <string>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "module/preprocess.hpp"
#include "module/raisers.hpp"
#include "module/token_vector.hpp"
#include "module/token_width_dispatch.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber {
namespace {

// A token vector as (width, [tokens]).
nb::tuple tokens_to_python(const TokenVector &tokens) {
    nb::list values;
    std::visit(
        [&](const auto &v) {
            for (auto t : v)
                values.append(nb::int_(static_cast<uint64_t>(t)));
        },
        tokens);
    return nb::make_tuple(static_cast<int>(token_width(tokens)), values);
}

TokenVector tokens_from_python(uint64_t width, const std::vector<uint64_t> &values) {
    TokenVector wide(std::in_place_index<3>, values);
    return convert_token_width(wide, width);
}

nb::list items_to_python(const std::vector<nb::object> &items) {
    nb::list out;
    for (const nb::object &o : items)
        out.append(o);
    return out;
}

nb::dict pair_to_python(const PreprocessedPair &pair) {
    nb::dict d;
    d["kind"] = static_cast<int>(pair.kind);
    d["width"] = static_cast<int>(pair.width);
    d["max_token"] = pair.max_token;
    d["score_bound"] = pair.score_bound;
    d["query"] = tokens_to_python(pair.query);
    d["target"] = tokens_to_python(pair.target);
    d["query_items"] = items_to_python(pair.query_items);
    d["target_items"] = items_to_python(pair.target_items);
    return d;
}

void register_token_hooks(nb::module_ &m) {
    m.def("token_count",
          [](uint64_t width, const std::vector<uint64_t> &values) {
              return token_count(tokens_from_python(width, values));
          });
    m.def("convert_token_width", [](uint64_t source_width, const std::vector<uint64_t> &values, uint64_t width) {
        return tokens_to_python(convert_token_width(tokens_from_python(source_width, values), width));
    });
    // Returns the width in bits of the token type the kernel received and
    // the two lengths; the off-diagonal entries raise.
    m.def("token_width_dispatch", [](uint64_t query_width, const std::vector<uint64_t> &query,
                                     uint64_t target_width, const std::vector<uint64_t> &target) {
        TokenVector q = tokens_from_python(query_width, query);
        TokenVector t = tokens_from_python(target_width, target);
        return token_width_dispatch(q, t, "hooked: mismatched token widths from preprocess",
                                    [&]<typename T>(const std::vector<T> &a, const std::vector<T> &b) {
                                        return nb::make_tuple(8 * sizeof(T), a.size(), b.size());
                                    });
    });
}

void register_preprocess_hooks(nb::module_ &m) {
    m.def("preprocess",
          [](nb::handle query, nb::handle target, int64_t match, int64_t mismatch, int64_t gap_open,
             int64_t gap_extend, uint64_t width) {
              return pair_to_python(preprocess(query.ptr(), target.ptr(), match, mismatch, gap_open, gap_extend, width));
          },
          "query"_a, "target"_a, "match"_a = 1, "mismatch"_a = -1, "gap_open"_a = -1, "gap_extend"_a = -1,
          "width"_a = 0);
    m.def("tokens_from_str", [](nb::handle s) {
        if (!PyUnicode_Check(s.ptr()))
            raise_type_error("hook: tokens_from_str needs a str");
        uint64_t largest = 0;
        TokenVector tokens = tokens_from_str(s.ptr(), largest);
        return nb::make_tuple(tokens_to_python(tokens), largest);
    });
    m.def("select_kernel_width",
          [](int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend, uint64_t token_total,
             uint64_t max_token, bool token_values_matter, uint64_t requested) {
              const KernelWidth token_width = token_values_matter ? width_for_token(max_token) : KernelWidth{8};
              KernelWidthChoice c =
                  select_kernel_width(match, mismatch, gap_open, gap_extend, token_total, token_width, requested);
              return nb::make_tuple(c.score_bound, static_cast<int>(c.width));
          },
          "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "token_total"_a, "max_token"_a = 0,
          "token_values_matter"_a = false, "requested"_a = 0);
    m.def("number_items", [](nb::handle query, nb::handle target, uint64_t counter) {
        std::vector<nb::object> qi, ti;
        for (nb::handle h : query)
            qi.push_back(nb::borrow(h));
        for (nb::handle h : target)
            ti.push_back(nb::borrow(h));
        std::vector<uint64_t> qt, tt;
        const uint64_t last = preprocess_detail::number_items(qi, ti, qt, tt, counter);
        return nb::make_tuple(qt, tt, last);
    });
}

}  // namespace

void register_input_preparation_hooks(nb::module_ &m) {
    register_token_hooks(m);
    register_preprocess_hooks(m);
}

}  // namespace veltrocamber
