// Test hooks for input preparation: token vectors, preprocess and the kernel
// width selection, the Farrar token channel and aligned-row rendering.
#include <Python.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/stl/optional.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "module/aligned_rows.hpp"
#include "module/cigar.hpp"
#include "module/farrar_preprocess.hpp"
#include "module/preprocess.hpp"
#include "module/raisers.hpp"
#include "module/token_vector.hpp"
#include "module/token_width_dispatch.hpp"
#include "testing/test_hooks.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber::testing {
namespace {

// A buffer exporter whose format string and item size the test chooses,
// including a NULL format and an item size that disagrees with the format
// letter, which no ordinary Python object produces.
struct ExporterObject {
    PyObject_HEAD
    PyObject *data;  // bytes
    char *format;    // owned copy, or NULL
    Py_ssize_t itemsize;
    Py_ssize_t shape;
    Py_ssize_t stride;
};

int exporter_getbuffer(PyObject *self, Py_buffer *view, int) {
    auto *e = reinterpret_cast<ExporterObject *>(self);
    view->obj = Py_NewRef(self);
    view->buf = PyBytes_AS_STRING(e->data);
    view->len = e->shape * e->itemsize;
    view->readonly = 1;
    view->itemsize = e->itemsize;
    view->format = e->format;
    view->ndim = 1;
    view->shape = &e->shape;
    view->strides = &e->stride;
    view->suboffsets = nullptr;
    view->internal = nullptr;
    return 0;
}

void exporter_dealloc(PyObject *self) {
    auto *e = reinterpret_cast<ExporterObject *>(self);
    Py_XDECREF(e->data);
    PyMem_Free(e->format);
    PyTypeObject *type = Py_TYPE(self);
    type->tp_free(self);
    Py_DECREF(type);
}

PyType_Slot exporter_slots[] = {
    {Py_bf_getbuffer, reinterpret_cast<void *>(&exporter_getbuffer)},
    {Py_tp_dealloc, reinterpret_cast<void *>(&exporter_dealloc)},
    {0, nullptr},
};

PyType_Spec exporter_spec = {"_testhooks.BufferExporter", sizeof(ExporterObject), 0, Py_TPFLAGS_DEFAULT,
                             exporter_slots};

nb::object make_buffer_exporter(nb::bytes data, std::optional<std::string> format, Py_ssize_t itemsize) {
    static PyObject *type = PyType_FromSpec(&exporter_spec);  // kept for the process
    if (type == nullptr)
        raise_pending();
    if (itemsize <= 0)
        raise_value_error("hook: itemsize must be positive");
    nb::object obj = nb::steal(PyType_GenericAlloc(reinterpret_cast<PyTypeObject *>(type), 0));
    if (!obj.is_valid())
        raise_pending();
    auto *e = reinterpret_cast<ExporterObject *>(obj.ptr());
    e->data = Py_NewRef(data.ptr());
    if (format) {
        e->format = static_cast<char *>(PyMem_Malloc(format->size() + 1));
        if (e->format == nullptr)
            raise_memory_error();
        std::memcpy(e->format, format->c_str(), format->size() + 1);
    }
    e->itemsize = itemsize;
    e->shape = static_cast<Py_ssize_t>(data.size()) / itemsize;
    e->stride = itemsize;
    return obj;
}

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
    m.def("make_buffer_exporter", &make_buffer_exporter, "data"_a, "format"_a.none(), "itemsize"_a);
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

void register_farrar_hooks(nb::module_ &m) {
    m.def("preprocess_farrar",
          [](nb::handle query, nb::handle target, int64_t match, int64_t mismatch, int64_t gap_open,
             int64_t gap_extend, uint64_t width) {
              FarrarTokenChannel c =
                  preprocess_farrar(query.ptr(), target.ptr(), match, mismatch, gap_open, gap_extend, width);
              nb::dict d;
              d["width"] = static_cast<int>(c.width);
              d["alphabet_size"] = c.alphabet_size;
              d["score_bound"] = c.score_bound;
              d["query"] = std::vector<int>(c.query.begin(), c.query.end());
              d["target"] = std::vector<int>(c.target.begin(), c.target.end());
              return d;
          },
          "query"_a, "target"_a, "match"_a = 2, "mismatch"_a = -1, "gap_open"_a = -1, "gap_extend"_a = -1,
          "width"_a = 0);
    m.def("direct_unicode_lookup_size", [](nb::handle s) {
        if (!PyUnicode_Check(s.ptr()))
            raise_type_error("hook: direct_unicode_lookup_size needs a str");
        return farrar_detail::direct_unicode_lookup_size(s.ptr());
    });
    // Codes of two one- or two-byte strs through a direct table of the given
    // size (256 and 65,536 borrow the thread's tables); returns the codes of
    // both sides and the table's count.
    m.def("str_codes_direct", [](size_t size, nb::handle query, nb::handle target) {
        for (nb::handle s : {query, target})
            if (!PyUnicode_Check(s.ptr()) || farrar_detail::direct_unicode_lookup_size(s.ptr()) == 0 ||
                farrar_detail::direct_unicode_lookup_size(s.ptr()) > size)
                raise_type_error("hook: str_codes_direct needs strs that fit the table");
        farrar_detail::DenseCodeTable table;
        farrar_detail::dense_code_table(table, size);
        std::vector<uint8_t> q, t;
        farrar_detail::str_codes_direct(q, table, query.ptr());
        farrar_detail::str_codes_direct(t, table, target.ptr());
        return nb::make_tuple(std::vector<int>(q.begin(), q.end()), std::vector<int>(t.begin(), t.end()),
                              table.count);
    });
}

// Preprocesses the pair as an alignment would (optionally forcing the
// pair's width afterwards, to reach the internal-inconsistency errors) and
// renders the rows of the given path.
void register_aligned_rows_hooks(nb::module_ &m) {
    m.def("fill_aligned_rows",
          [](nb::handle query, nb::handle target, int64_t score, uint64_t query_start, uint64_t query_end,
             uint64_t target_start, uint64_t target_end, const std::string &operations, uint64_t width,
             std::optional<int> force_width) {
              PreprocessedPair pair = preprocess(query.ptr(), target.ptr(), 2, -1, -1, -1, width);
              if (force_width)
                  pair.width = static_cast<KernelWidth>(*force_width);
              return fill_aligned_rows(pair, make_alignment_path(score, query_start, query_end, target_start,
                                                                 target_end, operations.size(), operations.data()));
          },
          "query"_a, "target"_a, "score"_a, "query_start"_a, "query_end"_a, "target_start"_a, "target_end"_a,
          "operations"_a, "width"_a = 0, "force_width"_a = nb::none());
}

}  // namespace

void register_input_preparation_hooks(nb::module_ &m) {
    register_token_hooks(m);
    register_preprocess_hooks(m);
    register_farrar_hooks(m);
    register_aligned_rows_hooks(m);
}

}  // namespace veltrocamber::testing
