// _testhooks entries for the linear-memory traceback: the checkpoint pass
// with its store, the divide-and-conquer split on forward or reversed spans,
// and the trade drivers, on the raw bytes of bytes objects (the bytes are the
// symbol codes) at an explicit cell width.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "module/cell_width_dispatch.hpp"
#include "module/interrupt_poll.hpp"
#include "testing/test_hooks.hpp"
#include "traceback/checkpointed_affine_cigar.hpp"
#include "traceback/hirschberg_cigar.hpp"
#include "traceback/traceback_checkpoints.hpp"
#include "traceback/trade_cigar.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber::testing {
namespace {

using namespace profile_traceback;

template <typename Kernel>
decltype(auto) by_cell_width(unsigned width, Kernel &&kernel) {
    return cell_width_dispatch(width, "unsupported profile traceback width", kernel);
}

const uint8_t *codes_of(const std::string &b) { return reinterpret_cast<const uint8_t *>(b.data()); }
std::string text_of(const nb::bytes &b) { return std::string(b.c_str(), b.size()); }

// A stored slot as Python integers, minus infinity as None.
template <typename T>
nb::list slot_values(const std::vector<T> &cells, size_t slot, size_t row_len) {
    nb::list out;
    for (size_t j = 0; j < row_len; ++j) {
        const T value = cells[slot * row_len + j];
        if (value == minus_infinity<T>())
            out.append(nb::none());
        else
            out.append(static_cast<int64_t>(value));
    }
    return out;
}

}  // namespace

void register_linear_memory_hooks(nb::module_ &m) {
    m.def("checkpoint_interval", &checkpoint_interval, "tlen"_a);
    // ((score, row, col), interval, count, [H slots], [V slots]).
    m.def("affine_checkpoint_pass",
          [](bool local, nb::bytes query_bytes, nb::bytes target_bytes, int64_t match, int64_t mismatch,
             int64_t gap_open, int64_t gap_extend, unsigned width) {
              const std::string query = text_of(query_bytes), target = text_of(target_bytes);
              return by_cell_width(width, [&]<typename T>() {
                  TracebackCheckpoints<T> store(query.size(), target.size());
                  const auto pass = local ? &smith_waterman_affine_checkpoint_pass<T>
                                          : &needleman_wunsch_affine_checkpoint_pass<T>;
                  const BestCell<T> best =
                      pass(codes_of(query), query.size(), codes_of(target), target.size(), static_cast<T>(match),
                           static_cast<T>(mismatch), static_cast<T>(gap_open), static_cast<T>(gap_extend), store);
                  nb::list h, v;
                  for (size_t k = 0; k < store.count; ++k) {
                      h.append(slot_values(store.h_rows, k, store.row_len));
                      v.append(slot_values(store.e_rows, k, store.row_len));
                  }
                  return nb::make_tuple(nb::make_tuple(static_cast<int64_t>(best.score), best.row, best.col),
                                        store.interval, store.count, h, v);
              });
          },
          "local"_a, "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "width"_a);
    m.def("checkpointed_cigar",
          [](bool local, nb::bytes query_bytes, nb::bytes target_bytes, int64_t match, int64_t mismatch,
             int64_t gap_open, int64_t gap_extend, unsigned width) {
              const std::string query = text_of(query_bytes), target = text_of(target_bytes);
              return by_cell_width(width, [&]<typename T>() {
                  const auto kernel =
                      local ? &smith_waterman_checkpointed_cigar<T> : &needleman_wunsch_checkpointed_cigar<T>;
                  return kernel(codes_of(query), query.size(), codes_of(target), target.size(),
                                static_cast<T>(match), static_cast<T>(mismatch), static_cast<T>(gap_open),
                                static_cast<T>(gap_extend));
              });
          },
          "local"_a, "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap_open"_a, "gap_extend"_a, "width"_a);
    // The split's operations. With reversed, each input is stored backwards
    // and read through a reversed span, so the logical tokens are the same.
    m.def("hirschberg_operations",
          [](nb::bytes query_bytes, nb::bytes target_bytes, int64_t match, int64_t mismatch, int64_t gap,
             unsigned width, bool reversed) {
              std::string q = text_of(query_bytes), t = text_of(target_bytes);
              if (reversed) {
                  std::reverse(q.begin(), q.end());
                  std::reverse(t.begin(), t.end());
              }
              const TokenSpan qs{codes_of(q), 0, q.size(), reversed}, ts{codes_of(t), 0, t.size(), reversed};
              return by_cell_width(width, [&]<typename T>() {
                  std::string operations;
                  InterruptPoll poll;
                  hirschberg_cigar<T>(qs, ts, static_cast<T>(match), static_cast<T>(mismatch), static_cast<T>(gap),
                                      operations, poll);
                  return operations;
              });
          },
          "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap"_a, "width"_a, "reversed"_a = false);
    // The local driver: its text, or None when it declines.
    m.def("smith_waterman_trade_cigar",
          [](nb::bytes query_bytes, nb::bytes target_bytes, int64_t match, int64_t mismatch, int64_t gap,
             unsigned width) -> nb::object {
              const std::string query = text_of(query_bytes), target = text_of(target_bytes);
              const TradeCigarAttempt attempt = by_cell_width(width, [&]<typename T>() {
                  return smith_waterman_trade_cigar<T>(codes_of(query), query.size(), codes_of(target),
                                                       target.size(), static_cast<T>(match),
                                                       static_cast<T>(mismatch), static_cast<T>(gap));
              });
              if (!attempt.handled)
                  return nb::none();
              return nb::str(attempt.cigar.data(), attempt.cigar.size());
          },
          "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap"_a, "width"_a);
    m.def("needleman_wunsch_trade_cigar",
          [](nb::bytes query_bytes, nb::bytes target_bytes, int64_t match, int64_t mismatch, int64_t gap,
             unsigned width) {
              const std::string query = text_of(query_bytes), target = text_of(target_bytes);
              return by_cell_width(width, [&]<typename T>() {
                  return needleman_wunsch_trade_cigar<T>(codes_of(query), query.size(), codes_of(target),
                                                         target.size(), static_cast<T>(match),
                                                         static_cast<T>(mismatch), static_cast<T>(gap));
              });
          },
          "query"_a, "target"_a, "match"_a, "mismatch"_a, "gap"_a, "width"_a);
}

}  // namespace veltrocamber::testing
