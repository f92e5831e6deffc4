// Test hooks of the alignment scores: the kernels and shortcuts on plain
// token or code lists, so the tests can compare each member with a
// reference model without going through input preparation.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/stl/vector.h>

#include "align/alignment_score_bindings.hpp"
#include "align/scalar_kernels.hpp"
#include "align/score_shortcuts.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber {
namespace {

using Tokens = std::vector<uint64_t>;

template <typename T>
std::vector<T> narrowed(const Tokens &v) {
    return std::vector<T>(v.begin(), v.end());
}

// Calls f.template operator()<Cell>() for the signed cell type of `width`.
template <typename F>
auto by_width(unsigned width, F &&f) {
    switch (width) {
    case 8: return f.template operator()<int8_t>();
    case 16: return f.template operator()<int16_t>();
    case 32: return f.template operator()<int32_t>();
    case 64: return f.template operator()<int64_t>();
    default: throw std::invalid_argument("width must be 8, 16, 32 or 64");
    }
}

void register_scalar_kernel_hooks(nb::module_ &m) {
    m.def("resolve_affine_gaps", [](int64_t gap, nb::handle open, nb::handle extend) {
        const AffineGaps g = resolve_affine_gaps(gap, open, extend);
        return nb::make_tuple(g.open, g.extend);
    }, "gap_score"_a, "gap_open_score"_a.none(), "gap_extend_score"_a.none());
    m.def("kernel_width_argument", [](nb::handle width) { return kernel_width_argument(width); },
          "width"_a.none());
    m.def("smith_waterman_linear_score",
          [](unsigned width, const Tokens &q, const Tokens &t, int64_t match, int64_t mismatch, int64_t gap) {
              return by_width(width, [&]<typename Cell>() {
                  using Tok = std::make_unsigned_t<Cell>;
                  auto a = narrowed<Tok>(q), b = narrowed<Tok>(t);
                  return align::smith_waterman_linear_score<Cell>(a.data(), a.size(), b.data(), b.size(),
                                                                  Cell(match), Cell(mismatch), Cell(gap));
              });
          });
    m.def("needleman_wunsch_linear_score",
          [](unsigned width, const Tokens &q, const Tokens &t, int64_t match, int64_t mismatch, int64_t gap) {
              return by_width(width, [&]<typename Cell>() {
                  using Tok = std::make_unsigned_t<Cell>;
                  auto a = narrowed<Tok>(q), b = narrowed<Tok>(t);
                  return align::needleman_wunsch_linear_score<Cell>(a.data(), a.size(), b.data(), b.size(),
                                                                    Cell(match), Cell(mismatch), Cell(gap));
              });
          });
    m.def("smith_waterman_linear_codes",
          [](unsigned width, const Tokens &q, const Tokens &t, int64_t match, int64_t mismatch, int64_t gap) {
              auto a = narrowed<uint8_t>(q), b = narrowed<uint8_t>(t);
              return by_width(width, [&]<typename Cell>() {
                  return align::smith_waterman_linear_codes<Cell>(a.data(), a.size(), b.data(), b.size(),
                                                                  Cell(match), Cell(mismatch), Cell(gap));
              });
          });
    // width 8/16/32/64: the narrow local affine member of that cell width.
    m.def("smith_waterman_affine_scalar",
          [](unsigned width, const Tokens &q, const Tokens &t, int64_t match, int64_t mismatch, int64_t open,
             int64_t extend) {
              auto a = narrowed<uint8_t>(q), b = narrowed<uint8_t>(t);
              return by_width(width, [&]<typename Cell>() {
                  return align::smith_waterman_affine_cells<Cell, align::NarrowInfinity<Cell>>(
                      a.data(), a.size(), b.data(), b.size(), Cell(match), Cell(mismatch), Cell(open),
                      Cell(extend));
              });
          });
    m.def("smith_waterman_affine_score_wide", [](const Tokens &q, const Tokens &t, int64_t match, int64_t mismatch,
                                                 int64_t open, int64_t extend) {
        auto a = narrowed<uint8_t>(q), b = narrowed<uint8_t>(t);
        return align::smith_waterman_affine_score_wide(a.data(), a.size(), b.data(), b.size(), match, mismatch,
                                                       open, extend);
    });
    m.def("needleman_wunsch_affine_score_wide", [](const Tokens &q, const Tokens &t, int64_t match,
                                                   int64_t mismatch, int64_t open, int64_t extend) {
        auto a = narrowed<uint8_t>(q), b = narrowed<uint8_t>(t);
        return align::needleman_wunsch_affine_score_wide(a.data(), a.size(), b.data(), b.size(), match, mismatch,
                                                         open, extend);
    });
}

void register_shortcut_hooks(nb::module_ &m) {
    // width 8/16/32/64 picks the token member; the 8-bit member is also the
    // symbol-code member.
    m.def("local_score_shortcut",
          [](unsigned width, const Tokens &q, const Tokens &t, int64_t match, int64_t mismatch, int64_t gap) {
              return by_width(width, [&]<typename Cell>() {
                  using Tok = std::make_unsigned_t<Cell>;
                  auto a = narrowed<Tok>(q), b = narrowed<Tok>(t);
                  const auto r = align::local_score_shortcut<Tok>(a.data(), a.size(), b.data(), b.size(), match,
                                                                  mismatch, gap);
                  return nb::make_tuple(r.score, r.handled);
              });
          });
    m.def("global_score_shortcut",
          [](unsigned width, const Tokens &q, const Tokens &t, int64_t match, int64_t mismatch, int64_t gap) {
              return by_width(width, [&]<typename Cell>() {
                  using Tok = std::make_unsigned_t<Cell>;
                  auto a = narrowed<Tok>(q), b = narrowed<Tok>(t);
                  const auto r = align::global_score_shortcut<Tok>(a.data(), a.size(), b.data(), b.size(), match,
                                                                   mismatch, gap);
                  return nb::make_tuple(r.score, r.handled);
              });
          });
    m.def("lcs_length_bit_parallel", [](unsigned width, const Tokens &q, const Tokens &t) {
        return by_width(width, [&]<typename Cell>() {
            using Tok = std::make_unsigned_t<Cell>;
            auto a = narrowed<Tok>(q), b = narrowed<Tok>(t);
            return align::lcs_length_bit_parallel<Tok>(a.data(), a.size(), b.data(), b.size());
        });
    });
    m.def("symbols_disjoint", [](unsigned width, const Tokens &q, const Tokens &t) {
        return by_width(width, [&]<typename Cell>() {
            using Tok = std::make_unsigned_t<Cell>;
            auto a = narrowed<Tok>(q), b = narrowed<Tok>(t);
            return align::symbols_disjoint<Tok>(a.data(), a.size(), b.data(), b.size());
        });
    });
    m.def("uniform_local_score", &align::uniform_local_score);
}

}  // namespace

void register_align_hooks(nb::module_ &m) {
    register_scalar_kernel_hooks(m);
    register_shortcut_hooks(m);
}

}  // namespace veltrocamber
