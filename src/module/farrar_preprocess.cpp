#include "module/farrar_preprocess.hpp"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

#include <nanobind/nanobind.h>

#include "module/preprocess.hpp"
#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

constexpr const char *too_many_symbols = "Farrar token channel supports at most 256 distinct symbols";
constexpr size_t max_symbols = 256;

// The thread's own direct table of one size. At most 256 code points ever
// receive a code per call, so the touched list never grows past its
// reservation.
struct ThreadCodeTable {
    std::vector<int16_t> entries;
    std::vector<uint32_t> touched;
    explicit ThreadCodeTable(size_t size) : entries(size, -1) { touched.reserve(max_symbols); }
};

ThreadCodeTable &thread_table_256() {
    thread_local ThreadCodeTable table(256);
    return table;
}

ThreadCodeTable &thread_table_65536() {
    thread_local ThreadCodeTable table(65536);
    return table;
}

template <typename Unit>
void direct_codes(std::vector<uint8_t> &codes, farrar_detail::DenseCodeTable &table, const Unit *units,
                  size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const uint32_t cp = units[i];
        int16_t entry = table.entries[cp];
        if (entry < 0) {
            if (table.count == max_symbols)
                raise_value_error(too_many_symbols);
            entry = static_cast<int16_t>(table.count++);
            table.entries[cp] = entry;
            table.touched->push_back(cp);
        }
        codes.push_back(static_cast<uint8_t>(entry));
    }
}

// Byte codes are the bytes themselves; the alphabet is the number of
// distinct byte values over both sides.
uint64_t distinct_bytes(const std::vector<uint8_t> &query, const std::vector<uint8_t> &target) {
    std::array<bool, 256> present{};
    uint64_t distinct = 0;
    for (const auto *side : {&query, &target})
        for (uint8_t b : *side)
            if (!present[b]) {
                present[b] = true;
                ++distinct;
            }
    return distinct;
}

std::vector<uint8_t> copy_bytes(const uint8_t *data, size_t length) { return std::vector<uint8_t>(data, data + length); }

[[noreturn]] void raise_too_many_symbols() { raise_value_error(too_many_symbols); }

void object_codes(FarrarTokenChannel &channel, PyObject *query, PyObject *target) {
    const std::vector<nb::object> query_items = collect_sequence_items(query, "query");
    const std::vector<nb::object> target_items = collect_sequence_items(target, "target");
    nb::object seen = nb::steal(PyDict_New());
    if (!seen.is_valid())
        raise_pending();
    // Codes start at 0; the items themselves are not kept.
    preprocess_detail::intern_items(seen.ptr(), query_items, channel.query, channel.alphabet_size, 0, max_symbols,
                                    raise_too_many_symbols);
    preprocess_detail::intern_items(seen.ptr(), target_items, channel.target, channel.alphabet_size, 0,
                                    max_symbols, raise_too_many_symbols);
}

}  // namespace

void ready_farrar_thread_tables() {
    thread_table_256();
    thread_table_65536();
}

namespace farrar_detail {

size_t direct_unicode_lookup_size(PyObject *unicode_object) noexcept {
    assert(PyUnicode_Check(unicode_object));
    switch (PyUnicode_KIND(unicode_object)) {
        case PyUnicode_1BYTE_KIND: return 256;
        case PyUnicode_2BYTE_KIND: return 65536;
        default: return 0;
    }
}

void dense_code_table(DenseCodeTable &table, size_t size) {
    table.count = 0;
    if (size == 256 || size == 65536) {
        ThreadCodeTable &own = size == 256 ? thread_table_256() : thread_table_65536();
        for (uint32_t cp : own.touched)
            own.entries[cp] = -1;
        own.touched.clear();
        table.entries = own.entries.data();
        table.touched = &own.touched;
        return;
    }
    table.own_entries.assign(size, -1);
    table.own_touched.clear();
    table.entries = table.own_entries.data();
    table.touched = &table.own_touched;
}

void str_codes_direct(std::vector<uint8_t> &codes, DenseCodeTable &table, PyObject *str) {
    const size_t length = static_cast<size_t>(PyUnicode_GET_LENGTH(str));
    codes.reserve(codes.size() + length);
    if (PyUnicode_KIND(str) == PyUnicode_1BYTE_KIND)
        direct_codes(codes, table, PyUnicode_1BYTE_DATA(str), length);
    else
        direct_codes(codes, table, PyUnicode_2BYTE_DATA(str), length);
}

void str_codes_hashed(std::vector<uint8_t> &codes, PyObject *str, std::unordered_map<uint32_t, uint8_t> &map) {
    const size_t length = static_cast<size_t>(PyUnicode_GET_LENGTH(str));
    const int kind = PyUnicode_KIND(str);
    const void *data = PyUnicode_DATA(str);
    codes.reserve(codes.size() + length);
    for (size_t i = 0; i < length; ++i) {
        const uint32_t cp = PyUnicode_READ(kind, data, static_cast<Py_ssize_t>(i));
        auto found = map.find(cp);
        if (found == map.end()) {
            if (map.size() == max_symbols)
                raise_value_error(too_many_symbols);
            found = map.emplace(cp, static_cast<uint8_t>(map.size())).first;
        }
        codes.push_back(found->second);
    }
}

// One member per key type: integer kinds by value, float kinds by bit
// pattern. The buffer is read element by element with memcpy, since a
// buffer's storage need not be aligned for its element type.
template <typename Key>
void ndarray_symbol_codes(std::vector<uint8_t> &codes, const BufferView &view,
                          std::unordered_map<Key, uint8_t> &map) {
    if (!view.has_buffer || view.element_kind == ELEMENT_UNSUPPORTED)
        return;
    const size_t count = static_cast<size_t>(view.view.len) / sizeof(Key);
    const auto *bytes = static_cast<const unsigned char *>(view.view.buf);
    codes.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        Key key;
        std::memcpy(&key, bytes + i * sizeof(Key), sizeof(Key));
        auto [where, inserted] = map.try_emplace(key, static_cast<uint8_t>(map.size()));
        if (inserted && map.size() > max_symbols)
            raise_value_error(
                "ndarray alignment supports at most 256 distinct symbols across query+target in this release; "
                "tokenise inputs to uint8 if you need a smaller alphabet");
        codes.push_back(where->second);
    }
}

template <typename Key>
void ndarray_pair_codes_keyed(FarrarTokenChannel &channel, const BufferView &query, const BufferView &target) {
    std::unordered_map<Key, uint8_t> map;
    map.max_load_factor(1.0f);
    ndarray_symbol_codes<Key>(channel.query, query, map);
    ndarray_symbol_codes<Key>(channel.target, target, map);
    channel.alphabet_size = map.size();
}

void ndarray_pair_codes(FarrarTokenChannel &channel, const BufferView &query, const BufferView &target) {
    switch (query.element_kind) {
        case ELEMENT_INT8:
        case ELEMENT_UINT8:
            channel.query = copy_bytes(static_cast<const uint8_t *>(query.view.buf), static_cast<size_t>(query.view.len));
            channel.target =
                copy_bytes(static_cast<const uint8_t *>(target.view.buf), static_cast<size_t>(target.view.len));
            channel.alphabet_size = distinct_bytes(channel.query, channel.target);
            return;
        case ELEMENT_INT16: return ndarray_pair_codes_keyed<int16_t>(channel, query, target);
        case ELEMENT_UINT16:
        case ELEMENT_FLOAT16: return ndarray_pair_codes_keyed<uint16_t>(channel, query, target);
        case ELEMENT_INT32: return ndarray_pair_codes_keyed<int32_t>(channel, query, target);
        case ELEMENT_UINT32:
        case ELEMENT_FLOAT32: return ndarray_pair_codes_keyed<uint32_t>(channel, query, target);
        case ELEMENT_INT64: return ndarray_pair_codes_keyed<int64_t>(channel, query, target);
        case ELEMENT_UINT64:
        case ELEMENT_FLOAT64: return ndarray_pair_codes_keyed<uint64_t>(channel, query, target);
        default: return;
    }
}

}  // namespace farrar_detail

FarrarTokenChannel preprocess_farrar(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                     int64_t gap_open, int64_t gap_extend, uint64_t width) {
    using namespace farrar_detail;
    reject_bytes_against_str(query, target);

    // Destroyed in reverse order on every exit: the target's buffer first.
    BufferView query_view, target_view;
    if (!is_text(query))
        query_view = probe_buffer(query);
    if (!is_text(target))
        target_view = probe_buffer(target);
    if (query_view.failed || target_view.failed)
        raise_type_error(
            "ndarray dtype is not supported for alignment; supported dtypes are int8/16/32/64, uint8/16/32/64, and "
            "float16/32/64. Object-dtype arrays, record dtypes, and non-contiguous arrays are rejected — use a "
            "list for object-typed sequences");
    if (query_view.has_buffer != target_view.has_buffer)
        raise_type_error(
            "ndarray inputs can only align against another ndarray of the same dtype; mixing ndarray with "
            "bytes/str/sequence is not supported");

    FarrarTokenChannel channel;
    if (query_view.has_buffer) {
        if (query_view.element_kind != target_view.element_kind)
            raise_type_error("ndarray query and target must share the same dtype");
        ndarray_pair_codes(channel, query_view, target_view);
    } else if (is_bytes(query) && is_bytes(target)) {
        const RawText q = raw_text_view(query, RAW_TEXT_BYTES);
        const RawText t = raw_text_view(target, RAW_TEXT_BYTES);
        channel.query = copy_bytes(q.data, q.length);
        channel.target = copy_bytes(t.data, t.length);
        channel.alphabet_size = distinct_bytes(channel.query, channel.target);
    } else if (is_str(query) && is_str(target)) {
        const size_t q = direct_unicode_lookup_size(query);
        const size_t t = direct_unicode_lookup_size(target);
        if (q != 0 && t != 0) {
            DenseCodeTable table;
            dense_code_table(table, std::max(q, t));
            str_codes_direct(channel.query, table, query);
            str_codes_direct(channel.target, table, target);
            channel.alphabet_size = table.count;
        } else {
            std::unordered_map<uint32_t, uint8_t> map;
            str_codes_hashed(channel.query, query, map);
            str_codes_hashed(channel.target, target, map);
            channel.alphabet_size = map.size();
        }
    } else {
        object_codes(channel, query, target);
    }

    const uint64_t total = channel.query.size() + channel.target.size();
    const KernelWidthChoice choice = select_kernel_width(match, mismatch, gap_open, gap_extend, total, 8, width);
    channel.width = choice.width;
    channel.score_bound = choice.score_bound;
    target_view.release();
    query_view.release();
    return channel;
}

}  // namespace veltrocamber
