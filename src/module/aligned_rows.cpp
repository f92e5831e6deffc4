#include "module/aligned_rows.hpp"

#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "module/cell_width_dispatch.hpp"
#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

// Elements a row consumes: one per letter other than the side's gap letter.
// A path from traceback never runs past a side's end; should one do so, the
// row is refused instead of reading beyond the tokens or items.
void check_row_fits(uint64_t start, std::string_view ops, char gap, size_t available, const char *message) {
    uint64_t consumed = 0;
    for (char op : ops)
        consumed += op != gap;
    if (start > available || consumed > available - start)
        raise_runtime_error(message);
}

template <typename T>
nb::object gapped_bytes_row(const std::vector<T> &tokens, uint64_t start, std::string_view ops, char gap) {
    nb::object row = nb::steal(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(ops.size())));
    if (!row.is_valid())
        raise_pending();
    char *out = PyBytes_AS_STRING(row.ptr());
    size_t pos = start;
    for (size_t i = 0; i < ops.size(); ++i)
        out[i] = ops[i] == gap ? '-' : static_cast<char>(static_cast<uint8_t>(tokens[pos++]));
    return row;
}

// Built from code points rather than UTF-8, so that a lone surrogate, which
// a Python str may hold and which aligns like any other symbol, renders too.
template <typename T>
nb::object gapped_str_row(const std::vector<T> &tokens, uint64_t start, std::string_view ops, char gap) {
    std::vector<Py_UCS4> code_points(ops.size());
    size_t pos = start;
    for (size_t i = 0; i < ops.size(); ++i)
        code_points[i] = ops[i] == gap ? Py_UCS4{'-'} : static_cast<Py_UCS4>(static_cast<uint32_t>(tokens[pos++]));
    nb::object row = nb::steal(
        PyUnicode_FromKindAndData(PyUnicode_4BYTE_KIND, code_points.data(), static_cast<Py_ssize_t>(ops.size())));
    if (!row.is_valid())
        raise_pending();
    return row;
}

nb::object items_row(const std::vector<nb::object> &items, uint64_t start, std::string_view ops, char gap) {
    nb::object row = nb::steal(PyTuple_New(static_cast<Py_ssize_t>(ops.size())));
    if (!row.is_valid())
        raise_pending();
    size_t pos = start;
    for (size_t i = 0; i < ops.size(); ++i) {
        PyObject *element = ops[i] == gap ? Py_None : items[pos++].ptr();
        PyTuple_SET_ITEM(row.ptr(), static_cast<Py_ssize_t>(i), Py_NewRef(element));
    }
    return row;
}

struct RowSide {
    uint64_t start;
    char gap;
    const char *overrun_message;
};

constexpr RowSide query_side_of(const AlignmentPath &path) {
    return {path.query_start, 'I', "alignment path runs past the end of the query"};
}
constexpr RowSide target_side_of(const AlignmentPath &path) {
    return {path.target_start, 'D', "alignment path runs past the end of the target"};
}

template <typename T>
nb::object render_row(const PreprocessedPair &pair, const std::vector<T> &tokens,
                      const std::vector<nb::object> &items, const RowSide &side, std::string_view ops) {
    if (pair.kind == INPUT_OBJECTS) {
        check_row_fits(side.start, ops, side.gap, items.size(), side.overrun_message);
        return items_row(items, side.start, ops, side.gap);
    }
    check_row_fits(side.start, ops, side.gap, tokens.size(), side.overrun_message);
    if (pair.kind == INPUT_BYTES)
        return gapped_bytes_row(tokens, side.start, ops, side.gap);
    return gapped_str_row(tokens, side.start, ops, side.gap);
}

template <typename Token>
AlignmentResult fill_at_width(const PreprocessedPair &pair, const AlignmentPath &path) {
    // Both sides always hold the pair's width; std::get reports a pair
    // that breaks this.
    const auto &query = std::get<std::vector<Token>>(pair.query);
    const auto &target = std::get<std::vector<Token>>(pair.target);
    AlignmentResult result;
    result.score = path.score;
    result.query_start = path.query_start;
    result.query_end = path.query_end;
    result.target_start = path.target_start;
    result.target_end = path.target_end;
    result.operations = path.operations;
    result.aligned_query = render_row(pair, query, pair.query_items, query_side_of(path), path.operations);
    result.aligned_target = render_row(pair, target, pair.target_items, target_side_of(path), path.operations);
    return result;
}

}  // namespace

AlignmentResult fill_aligned_rows(const PreprocessedPair &pair, const AlignmentPath &path) {
    return cell_width_dispatch(pair.width, "unsupported kernel width", [&]<typename Cell>() {
        return fill_at_width<std::make_unsigned_t<Cell>>(pair, path);
    });
}

}  // namespace veltrocamber
