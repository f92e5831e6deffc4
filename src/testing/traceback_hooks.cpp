// _testhooks entries for the traceback kernels: each runs one kernel family
// on the raw bytes of two bytes objects (the bytes are the symbol codes) at
// an explicit cell width, so that the tests can check every width against
// the reference model without going through input preparation.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include <nanobind/nanobind.h>
#include <nanobind/stl/optional.h>
#include <nanobind/stl/string.h>

#include "module/cell_width_dispatch.hpp"
#include "module/interrupt_poll.hpp"
#include "module/raisers.hpp"
#include "testing/test_hooks.hpp"
#include "traceback/affine_cigar_by_width.hpp"
#include "traceback/affine_path.hpp"
#include "traceback/banded_affine_cigar.hpp"
#include "traceback/cigar_digest.hpp"
#include "traceback/linear_path.hpp"
#include "traceback/affine_cigar_driver.hpp"
#include "traceback/local_affine_box.hpp"
#include "traceback/striped_local_end.hpp"
#include "traceback/traceback_matrix.hpp"
#include "traceback/two_pass_affine_fill.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber::testing {
namespace {

using namespace profile_traceback;

struct Codes {
    const uint8_t *data;
    size_t size;
};

// The cell type of `width`, refused as the traceback entry points refuse it.
template <typename Kernel>
decltype(auto) by_cell_width(unsigned width, Kernel &&kernel) {
    return cell_width_dispatch(width, "unsupported profile traceback width", kernel);
}

Codes codes_of(const nb::bytes &b) { return {reinterpret_cast<const uint8_t *>(b.c_str()), b.size()}; }

nb::tuple cigar_traceback_tuple(const CigarTraceback &r) {
    return nb::make_tuple(r.cigar, r.score, r.query_start, r.query_end, r.target_start, r.target_end);
}

// The banded attempt ((cigar, score, query_start, query_end, target_start,
// target_end), or None when the band declines), the full traceback and the
// driver (as a prepared object calls it with a stored score) of one mode.
template <bool Local>
void register_affine_cigar_hooks(nb::module_ &m, const char *banded, const char *full, const char *driver) {
    m.def(banded,
          [](nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
             int64_t expected_score, unsigned width) -> nb::object {
              const Codes q = codes_of(query), t = codes_of(target);
              const BandedCigarAttempt attempt = by_cell_width(width, [&]<typename T>() {
                  return affine_banded_cigar<Local, T>(q.data, q.size, t.data, t.size, static_cast<T>(match),
                                                       static_cast<T>(mismatch), static_cast<T>(gap_open),
                                                       static_cast<T>(gap_extend), expected_score);
              });
              if (!attempt.handled)
                  return nb::none();
              return cigar_traceback_tuple(attempt);
          },
          "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "expected_score"_a,
          "width"_a);
    m.def(full,
          [](nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
             unsigned width) {
              const Codes q = codes_of(query), t = codes_of(target);
              return cigar_traceback_tuple(by_cell_width(width, [&]<typename T>() {
                  return affine_full_cigar<Local, T>(q.data, q.size, t.data, t.size, static_cast<T>(match),
                                                     static_cast<T>(mismatch), static_cast<T>(gap_open),
                                                     static_cast<T>(gap_extend));
              }));
          },
          "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "width"_a);
    m.def(driver,
          [](nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
             int64_t expected_score, bool has_score, unsigned width) {
              const Codes q = codes_of(query), t = codes_of(target);
              return cigar_traceback_tuple(by_cell_width(width, [&]<typename T>() {
                  return affine_cigar<Local, T>(q.data, q.size, t.data, t.size, static_cast<T>(match),
                                                static_cast<T>(mismatch), static_cast<T>(gap_open),
                                                static_cast<T>(gap_extend), expected_score, has_score);
              }));
          },
          "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "expected_score"_a,
          "has_score"_a, "width"_a);
}

}  // namespace

void register_traceback_hooks(nb::module_ &m) {
    m.def("traceback_linear_path",
          [](bool local, nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch, int64_t gap,
             unsigned width) {
              const Codes q = codes_of(query), t = codes_of(target);
              return by_cell_width(width, [&]<typename T>() {
                  auto kernel = local ? &smith_waterman_linear_path<T> : &needleman_wunsch_linear_path<T>;
                  return kernel(q.data, q.size, t.data, t.size, static_cast<T>(match), static_cast<T>(mismatch),
                                static_cast<T>(gap));
              });
          },
          "local"_a, "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap"_a, "width"_a);
    m.def("traceback_affine_path",
          [](bool local, nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch, int64_t gap_open,
             int64_t gap_extend, unsigned width) {
              const Codes q = codes_of(query), t = codes_of(target);
              return by_cell_width(width, [&]<typename T>() {
                  auto kernel = local ? &smith_waterman_affine_path<T> : &needleman_wunsch_affine_path<T>;
                  return kernel(q.data, q.size, t.data, t.size, static_cast<T>(match), static_cast<T>(mismatch),
                                static_cast<T>(gap_open), static_cast<T>(gap_extend));
              });
          },
          "local"_a, "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "width"_a);
    m.def("smith_waterman_linear_cigar",
          [](nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch, int64_t gap, unsigned width) {
              const Codes q = codes_of(query), t = codes_of(target);
              return by_cell_width(width, [&]<typename T>() {
                  return smith_waterman_linear_cigar<T>(q.data, q.size, t.data, t.size, static_cast<T>(match),
                                                        static_cast<T>(mismatch), static_cast<T>(gap));
              });
          },
          "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap"_a, "width"_a);
    register_affine_cigar_hooks<true>(m, "smith_waterman_affine_banded_cigar", "smith_waterman_affine_full_cigar",
                                      "smith_waterman_affine_cigar");
    register_affine_cigar_hooks<false>(m, "needleman_wunsch_affine_banded_cigar",
                                       "needleman_wunsch_affine_full_cigar", "needleman_wunsch_affine_cigar");
    // The striped end-cell pass ((score, row, column)) and the box road
    // after it, without the band; cells of 8 to 32 bits, gaps of 0 or below.
    m.def("striped_local_affine_end",
          [](nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
             unsigned width) {
              const Codes q = codes_of(query), t = codes_of(target);
              const BestCell<int64_t> end = by_cell_width(width, [&]<typename T>() {
                  if constexpr (std::is_same_v<T, int64_t>) {
                      raise_value_error("no striped lanes of 64 bits");
                      return BestCell<int64_t>{};
                  } else {
                      StoredRows<T> stored;
                      return striped_local_affine_end<T>(q.data, q.size, t.data, t.size, match, mismatch, gap_open,
                                                         gap_extend, stored);
                  }
              });
              return nb::make_tuple(end.score, end.row, end.col);
          },
          "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "width"_a);
    m.def("smith_waterman_affine_box_cigar",
          [](nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
             unsigned width) {
              const Codes q = codes_of(query), t = codes_of(target);
              return cigar_traceback_tuple(by_cell_width(width, [&]<typename T>() {
                  if constexpr (std::is_same_v<T, int64_t>) {
                      raise_value_error("no striped lanes of 64 bits");
                      return CigarTraceback{};
                  } else {
                      StoredRows<T> stored;
                      const BestCell<int64_t> end = striped_local_affine_end<T>(
                          q.data, q.size, t.data, t.size, match, mismatch, gap_open, gap_extend, stored);
                      if (end.score <= 0)
                          return CigarTraceback{};
                      const AffineScores<T> scores{static_cast<T>(match), static_cast<T>(mismatch),
                                                   static_cast<T>(gap_open), static_cast<T>(gap_extend)};
                      return local_affine_planned_cigar(q.data, t.data, scores, end,
                                                        plan_local_affine_fill(q.data, t.data, scores, end, stored));
                  }
              }));
          },
          "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "width"_a);
    m.def("needleman_wunsch_affine_scalar",
          [](nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
             unsigned width) {
              const Codes q = codes_of(query), t = codes_of(target);
              return by_cell_width(width, [&]<typename T>() {
                  return align::needleman_wunsch_affine_scalar<T>(q.data, q.size, t.data, t.size,
                                                                  static_cast<T>(match), static_cast<T>(mismatch),
                                                                  static_cast<T>(gap_open), static_cast<T>(gap_extend));
              });
          },
          "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "width"_a);
    // The width dispatch on a channel of any width (the bytes are the codes).
    m.def("affine_cigar_by_width",
          [](bool local, nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch, int64_t gap_open,
             int64_t gap_extend, unsigned width) {
              const Codes q = codes_of(query), t = codes_of(target);
              FarrarTokenChannel channel;
              channel.width = static_cast<KernelWidth>(width);
              channel.query.assign(q.data, q.data + q.size);
              channel.target.assign(t.data, t.data + t.size);
              return (local ? smith_waterman_affine_cigar_by_width : needleman_wunsch_affine_cigar_by_width)(
                  channel, match, mismatch, gap_open, gap_extend);
          },
          "local"_a, "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "width"_a);
    // The whole code matrix of one fill, row-major, as bytes. `fill` is
    // "linear local", "linear global", "affine local", "affine global" or
    // "affine banded" or "affine global banded" (with `half_band`; None when
    // a band row is empty).
    // The matrix is filled with 0xff first, so that cells a fill never
    // writes show as 0xff.
    m.def("traceback_codes",
          [](const std::string &fill, nb::bytes query, nb::bytes target, int64_t match, int64_t mismatch,
             int64_t gap_open, int64_t gap_extend, size_t half_band, unsigned width) -> nb::object {
              const Codes q = codes_of(query), t = codes_of(target);
              TracebackMatrix matrix(q.size, t.size);
              const size_t bytes = traceback_matrix_bytes(q.size, t.size);
              std::fill_n(matrix.codes.get(), bytes, TracebackCode{0xff});
              const bool filled = by_cell_width(width, [&]<typename T>() {
                  const T m = static_cast<T>(match), x = static_cast<T>(mismatch), o = static_cast<T>(gap_open),
                          e = static_cast<T>(gap_extend);
                  const AffineScores<T> scores{m, x, o, e};
                  TracebackEnd end;
                  InterruptPoll poll;
                  if (fill == "linear local")
                      fill_linear<true>(matrix, q.data, q.size, t.data, t.size, m, x, o, poll);
                  else if (fill == "linear global")
                      fill_linear<false>(matrix, q.data, q.size, t.data, t.size, m, x, o, poll);
                  else if (fill == "affine local")
                      fill_full_local_affine(matrix, q.data, q.size, t.data, t.size, scores);
                  else if (fill == "affine global")
                      fill_global_affine(matrix, q.data, q.size, t.data, t.size, scores);
                  else if (fill == "affine banded")
                      return fill_affine<true, T, true>(matrix, q.data, q.size, t.data, t.size, scores, half_band,
                                                        end);
                  else if (fill == "affine global banded")
                      return fill_affine<false, T, true>(matrix, q.data, q.size, t.data, t.size, scores, half_band,
                                                         end);
                  else
                      raise_value_error("unknown fill");
                  return true;
              });
              if (!filled)
                  return nb::none();
              return nb::bytes(reinterpret_cast<const char *>(matrix.codes.get()), bytes);
          },
          "fill"_a, "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "half_band"_a,
          "width"_a);
    // One affine fill, the shared one-pass cell step (`two_pass` False) or
    // the two-pass rows: (codes, end score, end row, end column), or None
    // when a band row is empty. Cells never written show as 0xff.
    m.def("traceback_affine_fill",
          [](bool two_pass, bool local, bool banded, nb::bytes query, nb::bytes target, int64_t match,
             int64_t mismatch, int64_t gap_open, int64_t gap_extend, size_t half_band,
             std::optional<int64_t> known_best, unsigned width) -> nb::object {
              const Codes q = codes_of(query), t = codes_of(target);
              TracebackMatrix matrix(q.size, t.size);
              const size_t bytes = traceback_matrix_bytes(q.size, t.size);
              std::fill_n(matrix.codes.get(), bytes, TracebackCode{0xff});
              TracebackEnd end;
              const bool filled = by_cell_width(width, [&]<typename T>() {
                  const AffineScores<T> scores{static_cast<T>(match), static_cast<T>(mismatch),
                                               static_cast<T>(gap_open), static_cast<T>(gap_extend)};
                  const int64_t best = known_best.value_or(no_known_best);
                  const auto fill = [&]<bool Local, bool Banded>() {
                      return two_pass ? fill_affine_two_pass<Local, T, Banded>(matrix, q.data, q.size, t.data,
                                                                               t.size, scores, half_band, end, best)
                                      : fill_affine<Local, T, Banded>(matrix, q.data, q.size, t.data, t.size,
                                                                      scores, half_band, end, best);
                  };
                  if (local)
                      return banded ? fill.template operator()<true, true>() : fill.template operator()<true, false>();
                  return banded ? fill.template operator()<false, true>() : fill.template operator()<false, false>();
              });
              if (!filled)
                  return nb::none();
              return nb::make_tuple(nb::bytes(reinterpret_cast<const char *>(matrix.codes.get()), bytes), end.score,
                                    end.row, end.column);
          },
          "two_pass"_a, "local"_a, "banded"_a, "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a,
          "gap_extend"_a, "half_band"_a, "known_best"_a.none(), "width"_a);
    m.def("smith_waterman_half_band", &smith_waterman_half_band, "qlen"_a, "tlen"_a);
    m.def("traceback_matrix_bytes", &traceback_matrix_bytes, "qlen"_a, "tlen"_a);
    m.def("cigar_digest", [](nb::bytes text) { return cigar_digest(std::string_view(text.c_str(), text.size())); });
}

}  // namespace veltrocamber::testing
