// _testhooks entries of the module subsystem: result arrays and raisers,
// the memory guard, keyword conversion, CIGAR runs, top-k selection, the
// input views and the built-in scorer table.
#include <Python.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/stl/pair.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "module/cigar.hpp"
#include "module/input_views.hpp"
#include "module/keyword_conversion.hpp"
#include "module/memory_errors.hpp"
#include "module/memory_guard.hpp"
#include "module/raisers.hpp"
#include "module/result_arrays.hpp"
#include "module/result_classes.hpp"
#include "module/scorer_registry.hpp"
#include "module/top_k.hpp"
#include "testing/test_hooks.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber::testing {
namespace {

std::vector<PyObject *> borrowed_items(nb::handle sequence, nb::object &fast) {
    fast = nb::steal(PySequence_Fast(sequence.ptr(), "targets must be a sequence"));
    if (!fast.is_valid())
        throw nb::python_error();
    PyObject **items = PySequence_Fast_ITEMS(fast.ptr());
    return std::vector<PyObject *>(items, items + PySequence_Fast_GET_SIZE(fast.ptr()));
}

void register_cigar_hooks(nb::module_ &m) {
    m.def("cigar_from_operations",
          [](const std::string &ops) { return cigar_from_operations(ops.size(), ops.data()); });
    // Pushes the letters in the order given (as a traceback walking back from
    // the end would) and returns the runs and their text.
    m.def("cigar_runs_from_pushes", [](const std::string &letters) {
        std::vector<CigarRun> runs;
        for (char c : letters) {
            if (c == 'I')
                push_cigar_insertion(runs);
            else if (c == 'D')
                push_cigar_deletion(runs);
            else
                push_cigar_op(runs, c);
        }
        std::vector<std::pair<std::string, uint64_t>> out;
        for (const CigarRun &r : runs)
            out.emplace_back(std::string(1, r.op), r.count);
        return std::make_pair(out, cigar_text_from_runs(runs));
    });
    m.def("make_alignment_path",
          [](int64_t score, uint64_t qs, uint64_t qe, uint64_t ts, uint64_t te, const std::string &ops) {
              return make_alignment_path(score, qs, qe, ts, te, ops.size(), ops.data());
          });
}

void register_top_k_hooks(nb::module_ &m) {
    m.def("select_top_k",
          [](const std::vector<int64_t> &scores, nb::handle targets, uint64_t k, bool higher_is_better) {
              nb::object fast;
              auto items = borrowed_items(targets, fast);
              if (items.size() != scores.size())
                  throw nb::value_error("scores and targets differ in length");
              return select_top_k(scores, items.data(), k, higher_is_better);
          },
          "scores"_a, "targets"_a, "k"_a, "higher_is_better"_a);
    m.def("select_top_k_float",
          [](const std::vector<double> &scores, nb::handle targets, uint64_t k, bool higher_is_better) {
              nb::object fast;
              auto items = borrowed_items(targets, fast);
              if (items.size() != scores.size())
                  throw nb::value_error("scores and targets differ in length");
              return select_top_k_float(scores, items.data(), k, higher_is_better);
          },
          "scores"_a, "targets"_a, "k"_a, "higher_is_better"_a);
}

void register_input_view_hooks(nb::module_ &m) {
    // (has_buffer, failed, element_kind, element_count); the view is released
    // before returning, and no Python error may be left pending.
    m.def("probe_buffer", [](nb::handle obj) {
        BufferView v = probe_buffer(obj.ptr());
        return nb::make_tuple(v.has_buffer, v.failed, static_cast<int>(v.element_kind), v.element_count());
    });
    m.def("raw_text_view", [](nb::handle obj) {
        const int mode = raw_text_mode(obj.ptr());
        if (mode == 0)
            return nb::object(nb::none());
        RawText t = raw_text_view(obj.ptr(), mode);
        return nb::object(nb::bytes(reinterpret_cast<const char *>(t.data), t.length));
    });
    m.def("collect_sequence_items", [](nb::handle obj, const char *name) {
        nb::list out;
        for (nb::object &item : collect_sequence_items(obj.ptr(), name))
            out.append(item);
        return out;
    });
    m.def("reject_single_text_targets", [](nb::handle targets) { reject_single_text_targets(targets.ptr()); });
}

void register_result_and_raiser_hooks(nb::module_ &m) {
    m.def("int64_result", [](std::vector<int64_t> values) { return to_int64_array(std::move(values)); });
    m.def("float64_result", [](std::vector<double> values) { return to_float64_array(std::move(values)); });
    m.def("raise_type_error", [](const std::string &message) { raise_type_error(message.c_str()); });
}

// The built-in scorer table as [(function name, id)], in registration order.
void register_scorer_table_hooks(nb::module_ &m) {
    m.def("builtin_scorers", [] {
        nb::list out;
        for (const BuiltinScorer &scorer : BUILTIN_SCORERS)
            out.append(nb::make_tuple(scorer.function, scorer.id));
        return out;
    });
}

void register_memory_guard_hooks(nb::module_ &m) {
    m.def("physical_memory_bytes", &physical_memory_bytes);
    m.def("address_space_headroom_bytes", &address_space_headroom_bytes);
    m.def("cgroup_memory_limit_bytes", &cgroup_memory_limit_bytes);
    m.def("available_memory_bytes", &available_memory_bytes);
    m.def("guarded_block_bytes", &guarded_block_bytes, "block"_a, "rows"_a, "columns"_a, "cell_bytes"_a);
    // The refusal as a body names it: MemoryError "<function>: <refusal>".
    m.def("named_block_bytes", [](const char *function, uint64_t rows, uint64_t columns, uint64_t cell_bytes) {
        return name_memory_refusals(function,
                                    [&] { return guarded_block_bytes("a block", rows, columns, cell_bytes); });
    });
}

// The keyword conversion for each integer type, as the body of a function
// named "hooked" sees its argument "value".
void register_keyword_conversion_hooks(nb::module_ &m) {
    m.def("integer_keyword", [](const std::string &type, nb::handle value) -> nb::object {
        if (type == "int32")
            return nb::int_(integer_keyword<int32_t>("hooked", "value", value));
        if (type == "uint32")
            return nb::int_(integer_keyword<uint32_t>("hooked", "value", value));
        if (type == "int64")
            return nb::int_(integer_keyword<int64_t>("hooked", "value", value));
        if (type == "uint64")
            return nb::int_(integer_keyword<uint64_t>("hooked", "value", value));
        const std::optional<int64_t> v = optional_integer_keyword<int64_t>("hooked", "value", value);
        return v ? nb::object(nb::int_(*v)) : nb::none();
    }, "type"_a, "value"_a.none());
}

}  // namespace

void register_module_hooks(nb::module_ &m) {
    register_result_and_raiser_hooks(m);
    register_memory_guard_hooks(m);
    register_keyword_conversion_hooks(m);
    register_cigar_hooks(m);
    register_top_k_hooks(m);
    register_input_view_hooks(m);
    register_scorer_table_hooks(m);
}

}  // namespace veltrocamber::testing
