// Test hooks of the alignment scores: the kernels and shortcuts on plain
// token or code lists, so the tests can compare each member with a
// reference model without going through input preparation.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "align/alignment_keywords.hpp"
#include "align/scalar_kernels.hpp"
#include "align/score_shortcuts.hpp"
#include "align/striped_global.hpp"
#include "align/striped_local.hpp"
#include "align/striped_profile.hpp"
#include "align/swar_lanes.hpp"
#include "module/cell_width_dispatch.hpp"
#include "testing/test_hooks.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber::testing {
namespace {

using Tokens = std::vector<uint64_t>;

template <typename T>
std::vector<T> narrowed(const Tokens &v) {
    return std::vector<T>(v.begin(), v.end());
}

template <typename F>
decltype(auto) by_width(unsigned width, F &&f) {
    return cell_width_dispatch(width, "width must be 8, 16, 32 or 64", f);
}

void register_scalar_kernel_hooks(nb::module_ &m) {
    m.def("resolve_affine_gaps", [](int64_t gap, nb::handle open, nb::handle extend) {
        const AffineGaps g = resolve_affine_gaps("hooked", gap, open, extend);
        return nb::make_tuple(g.open, g.extend);
    }, "gap_score"_a, "gap_open_score"_a.none(), "gap_extend_score"_a.none());
    m.def("kernel_width_argument", [](nb::handle width) { return kernel_width_argument("hooked", width); },
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
                  return align::smith_waterman_affine_scalar<Cell>(a.data(), a.size(), b.data(), b.size(),
                                                                   Cell(match), Cell(mismatch), Cell(open),
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

template <typename F>
decltype(auto) by_lane_width(unsigned width, F &&f) {
    return lane_width_dispatch(width, "lane width must be 8, 16 or 32", f);
}

void register_striped_hooks(nb::module_ &m) {
    m.def("swar_op", [](const std::string &op, unsigned width, uint64_t a, uint64_t b) {
        return by_lane_width(width, [&]<typename Lane>() -> nb::object {
            if (op == "add") return nb::int_(align::swar_add<Lane>(a, b));
            if (op == "max") return nb::int_(align::swar_max<Lane>(a, b));
            if (op == "greater") return nb::int_(align::swar_greater_mask<Lane>(a, b));
            if (op == "guarded_add") return nb::int_(align::swar_guarded_add<Lane>(a, b));
            if (op == "shift_up") return nb::int_(align::swar_shift_up<Lane>(a));
            if (op == "floor0") return nb::int_(align::swar_floor0<Lane>(a));
            if (op == "splat") return nb::int_(align::swar_splat<Lane>(static_cast<int64_t>(a)));
            if (op == "any_positive") return nb::bool_(align::swar_any_positive<Lane>(a));
            if (op == "hmax") return nb::int_(align::swar_horizontal_max_floor0<Lane>(a));
            if (op == "nonneg_max") return nb::int_(align::swar_nonneg_max<Lane>(a, b));
            if (op == "nonneg_sub_floor0") return nb::int_(align::swar_nonneg_sub_floor0<Lane>(a, b));
            if (op == "nonneg_add_signed_floor0")
                return nb::int_(align::swar_nonneg_add_signed_floor0<Lane>(a, b));
            if (op == "nonneg_add_signed") return nb::int_(align::swar_nonneg_add_signed<Lane>(a, b));
            if (op == "nonneg_all_ge") return nb::bool_(align::swar_nonneg_all_ge<Lane>(a, b));
            if (op == "nonneg_raise") {
                bool rose = false;
                const uint64_t raised = align::swar_nonneg_raise<Lane>(a, b, rose);
                return nb::make_tuple(raised, rose);
            }
            throw std::invalid_argument("unknown lane operation");
        });
    });
    // The lanes the global striped kernel may run when no width is given.
    m.def("narrowest_global_affine_lanes", &align::narrowest_global_affine_lanes);
    // (segments, row_of_symbol, row_offsets, profile lanes) of an affine profile.
    m.def("striped_profile_layout", [](unsigned width, const Tokens &q, const Tokens &t, int64_t match,
                                       int64_t mismatch) {
        auto a = narrowed<uint8_t>(q), b = narrowed<uint8_t>(t);
        return by_lane_width(width, [&]<typename Lane>() {
            auto p = align::build_striped_affine_profile<Lane>(a.data(), a.size(), b.data(), b.size(), match,
                                                               mismatch, -1, -1);
            std::vector<int64_t> lanes(p.core.profile.begin(), p.core.profile.end());
            std::vector<uint16_t> rows(p.core.row_of_symbol.begin(), p.core.row_of_symbol.end());
            return nb::make_tuple(p.core.segments, rows, p.core.row_offsets, lanes);
        });
    });
    m.def("striped_local_affine", [](unsigned width, const Tokens &q, const Tokens &t, int64_t match,
                                     int64_t mismatch, int64_t open, int64_t extend) {
        auto a = narrowed<uint8_t>(q), b = narrowed<uint8_t>(t);
        return by_lane_width(width, [&]<typename Lane>() {
            return align::striped_local_affine_score<Lane>(a.data(), a.size(), b.data(), b.size(), match, mismatch,
                                                           open, extend);
        });
    });
    // Runs the kernel twice on one profile: work vectors are re-initialised.
    m.def("striped_local_linear", [](unsigned width, const Tokens &q, const Tokens &t, int64_t match,
                                     int64_t mismatch, int64_t gap) {
        auto a = narrowed<uint8_t>(q), b = narrowed<uint8_t>(t);
        return by_lane_width(width, [&]<typename Lane>() {
            auto p = align::build_striped_linear_profile<Lane>(a.data(), a.size(), b.data(), b.size(), match,
                                                               mismatch, gap);
            const int64_t first = align::striped_local_linear<Lane>(p);
            const int64_t second = align::striped_local_linear<Lane>(p);
            return nb::make_tuple(first, second, p.shortcut_handled);
        });
    });
    // For the benchmark: builds one profile and runs the kernel `repeats`
    // times (no width rule applies here). kind: "local_affine",
    // "local_linear" or "global_affine".
    m.def("striped_repeat", [](const std::string &kind, unsigned width, const Tokens &q, const Tokens &t,
                               int64_t match, int64_t mismatch, int64_t open, int64_t extend, uint64_t repeats) {
        auto a = narrowed<uint8_t>(q), b = narrowed<uint8_t>(t);
        return by_lane_width(width, [&]<typename Lane>() {
            int64_t score = 0;
            if (kind == "local_linear") {
                auto p = align::build_striped_linear_profile<Lane>(a.data(), a.size(), b.data(), b.size(), match,
                                                                   mismatch, open);
                for (uint64_t r = 0; r < repeats; ++r)
                    score = align::striped_local_linear<Lane>(p);
                return score;
            }
            auto p = align::build_striped_affine_profile<Lane>(a.data(), a.size(), b.data(), b.size(), match,
                                                               mismatch, open, extend);
            for (uint64_t r = 0; r < repeats; ++r)
                score = kind == "global_affine"
                            ? align::striped_global_affine<Lane>(p)
                            : align::striped_local_affine<Lane>(p, p.core.row_offsets.data(), p.core.target_length);
            return score;
        });
    });
    // variant: "auto", "padded", "full" or "square"; the profile is run twice.
    m.def("striped_global_affine", [](unsigned width, const Tokens &q, const Tokens &t, int64_t match,
                                      int64_t mismatch, int64_t open, int64_t extend, const std::string &variant) {
        auto a = narrowed<uint8_t>(q), b = narrowed<uint8_t>(t);
        return by_lane_width(width, [&]<typename Lane>() {
            auto p = align::build_striped_affine_profile<Lane>(a.data(), a.size(), b.data(), b.size(), match,
                                                               mismatch, open, extend);
            auto run = [&]() {
                if (variant == "padded") return align::striped_global_affine_padded<Lane>(p);
                if (variant == "full") return align::striped_global_affine_full<Lane>(p);
                if (variant == "square") return align::striped_global_affine_square<Lane>(p);
                return align::striped_global_affine<Lane>(p);
            };
            const int64_t first = run();
            const int64_t second = run();
            return nb::make_tuple(first, second);
        });
    }, "width"_a, "query"_a, "target"_a, "match"_a, "mismatch"_a, "open"_a, "extend"_a, "variant"_a = "auto");
}

}  // namespace

void register_align_hooks(nb::module_ &m) {
    register_scalar_kernel_hooks(m);
    register_shortcut_hooks(m);
    register_striped_hooks(m);
}

}  // namespace veltrocamber::testing
