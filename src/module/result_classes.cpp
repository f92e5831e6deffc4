#include "module/result_classes.hpp"

#include <charconv>
#include <utility>

#include <nanobind/stl/string.h>

#include "module/garbage_collection_slots.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

void append_signed(std::string &out, int64_t value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void append_unsigned(std::string &out, uint64_t value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// "score=S, query=[a, b), target=[c, d), " -- the part both reprs share.
void append_score_and_spans(std::string &out, int64_t score, uint64_t qs, uint64_t qe, uint64_t ts,
                            uint64_t te) {
    out += "score=";
    append_signed(out, score);
    out += ", query=[";
    append_unsigned(out, qs);
    out += ", ";
    append_unsigned(out, qe);
    out += "), target=[";
    append_unsigned(out, ts);
    out += ", ";
    append_unsigned(out, te);
    out += "), ";
}

// The aligned rows may be tuples of the caller's own objects, and one of
// those may refer back to the result.
int visit_aligned_rows(const AlignmentResult &result, visitproc visit, void *arg) {
    Py_VISIT(result.aligned_query.ptr());
    Py_VISIT(result.aligned_target.ptr());
    return 0;
}

// A cleared result reads None in both rows, as one built without them. Both
// rows are replaced before either is let go, since letting one go may run
// Python code that reads the result.
void clear_aligned_rows(AlignmentResult &result) {
    nb::object query_row = std::exchange(result.aligned_query, nb::none());
    nb::object target_row = std::exchange(result.aligned_target, nb::none());
}

}  // namespace

std::string alignment_result_repr(const AlignmentResult &r) {
    std::string out = "AlignmentResult(";
    append_score_and_spans(out, r.score, r.query_start, r.query_end, r.target_start, r.target_end);
    out += "operations='";
    out += r.operations;
    out += "')";
    return out;
}

std::string alignment_path_repr(const AlignmentPath &p) {
    std::string out = "AlignmentPath(";
    append_score_and_spans(out, p.score, p.query_start, p.query_end, p.target_start, p.target_end);
    out += "cigar='";
    out += p.cigar;
    out += "')";
    return out;
}

void register_result_classes(nb::module_ &m) {
    const auto alignment_result_slots =
        garbage_collection_slots<AlignmentResult, &visit_aligned_rows, &clear_aligned_rows>();
    nb::class_<AlignmentResult>(m, "AlignmentResult", nb::type_slots(alignment_result_slots))
        .def(nb::init<int64_t, uint64_t, uint64_t, uint64_t, uint64_t, nb::object, nb::object, std::string>(),
             nb::arg("score") = 0, nb::arg("query_start") = 0, nb::arg("query_end") = 0,
             nb::arg("target_start") = 0, nb::arg("target_end") = 0, nb::arg("aligned_query") = nb::none(),
             nb::arg("aligned_target") = nb::none(), nb::arg("operations") = "")
        .def_ro("score", &AlignmentResult::score)
        .def_ro("query_start", &AlignmentResult::query_start)
        .def_ro("query_end", &AlignmentResult::query_end)
        .def_ro("target_start", &AlignmentResult::target_start)
        .def_ro("target_end", &AlignmentResult::target_end)
        .def_ro("aligned_query", &AlignmentResult::aligned_query)
        .def_ro("aligned_target", &AlignmentResult::aligned_target)
        .def_ro("operations", &AlignmentResult::operations)
        .def("__repr__", &alignment_result_repr);

    nb::class_<AlignmentPath>(m, "AlignmentPath")
        .def_ro("score", &AlignmentPath::score)
        .def_ro("query_start", &AlignmentPath::query_start)
        .def_ro("query_end", &AlignmentPath::query_end)
        .def_ro("target_start", &AlignmentPath::target_start)
        .def_ro("target_end", &AlignmentPath::target_end)
        .def_ro("operations", &AlignmentPath::operations)
        .def_ro("cigar", &AlignmentPath::cigar)
        .def_ro("matches", &AlignmentPath::matches)
        .def_ro("mismatches", &AlignmentPath::mismatches)
        .def_ro("insertions", &AlignmentPath::insertions)
        .def_ro("deletions", &AlignmentPath::deletions)
        .def_ro("aligned_length", &AlignmentPath::aligned_length)
        .def("__repr__", &alignment_path_repr);
}

}  // namespace veltrocamber
