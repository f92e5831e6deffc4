#include "module/preprocess.hpp"

#include <algorithm>

#include "module/input_views.hpp"
#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

constexpr const char *ndarray_message =
    "ndarray inputs are only supported on the score-only path (smith_waterman_score / needleman_wunsch_score); "
    "traceback / path / cigar variants do not yet support ndarray inputs";

void reject_buffer(PyObject *object) {
    if (is_text(object))
        return;
    BufferView view = probe_buffer(object);
    if (view.has_buffer || view.failed)
        raise_type_error(ndarray_message);  // the view's destructor releases the buffer
}

// One token per storage unit (a byte or a str code unit), and the largest.
template <typename Unit, typename Token>
TokenVector copy_units(const void *data, size_t length, uint64_t &largest) {
    const Unit *units = static_cast<const Unit *>(data);
    std::vector<Token> out(units, units + length);
    Token top = 0;
    for (Token t : out)
        top = std::max(top, t);
    largest = top;
    return TokenVector(std::move(out));
}

uint64_t magnitude(int64_t v) noexcept {
    // Negating in unsigned arithmetic gives 2^63 for -2^63.
    return v < 0 ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
}

[[noreturn]] void raise_bound_overflow() {
    raise_overflow_error("alignment score bound exceeds the 64-bit kernel capacity");
}

[[noreturn]] void raise_out_of_tokens() {
    raise_overflow_error("too many unique objects to serialize into 64-bit tokens");
}

}  // namespace

void reject_bytes_against_str(PyObject *query, PyObject *target) {
    if ((is_bytes(query) && is_str(target)) || (is_str(query) && is_bytes(target)))
        raise_type_error("bytes and str inputs cannot be aligned directly against each other");
}

TokenVector tokens_from_str(PyObject *str, uint64_t &largest) {
    const size_t length = static_cast<size_t>(PyUnicode_GET_LENGTH(str));
    const void *data = PyUnicode_DATA(str);
    switch (PyUnicode_KIND(str)) {
        case PyUnicode_1BYTE_KIND: return copy_units<Py_UCS1, uint8_t>(data, length, largest);
        case PyUnicode_2BYTE_KIND: return copy_units<Py_UCS2, uint16_t>(data, length, largest);
        case PyUnicode_4BYTE_KIND: return copy_units<Py_UCS4, uint32_t>(data, length, largest);
        default: raise_type_error("unsupported Python Unicode storage kind");
    }
}

KernelWidthChoice select_kernel_width(int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
                                      uint64_t token_total, KernelWidth token_width, uint64_t requested) {
    const uint64_t v = std::max({magnitude(match), magnitude(mismatch), magnitude(gap_open), magnitude(gap_extend)});
    KernelWidthChoice choice;
    KernelWidth bound_width = 8;
    if (token_total != 0 && v != 0) {
        const unsigned __int128 product = static_cast<unsigned __int128>(v) * token_total;
        if ((product >> 64) != 0) {
            choice.score_bound = UINT64_MAX;
            raise_bound_overflow();
        }
        choice.score_bound = static_cast<uint64_t>(product);
        const uint64_t b = choice.score_bound;
        if (b <= 127u)
            bound_width = 8;
        else if (b <= 32767u)
            bound_width = 16;
        else if (b <= 2147483647u)
            bound_width = 32;
        else if (b <= static_cast<uint64_t>(INT64_MAX))
            bound_width = 64;
        else
            raise_bound_overflow();
    }
    const KernelWidth automatic = std::max(bound_width, token_width);
    switch (requested) {
        case 0: choice.width = automatic; break;
        case 8:
        case 16:
        case 32:
            if (requested < automatic)
                raise_value_error("width cannot be narrower than the automatically selected kernel width");
            choice.width = static_cast<KernelWidth>(requested);
            break;
        case 64: choice.width = 64; break;
        default: raise_value_error("width must be None, 0, 8, 16, 32, or 64");
    }
    return choice;
}

namespace preprocess_detail {

uint64_t number_items(const std::vector<nb::object> &query_items, const std::vector<nb::object> &target_items,
                      std::vector<uint64_t> &query_tokens, std::vector<uint64_t> &target_tokens, uint64_t counter,
                      InterruptPoll *poll) {
    nb::object seen = nb::steal(PyDict_New());
    if (!seen.is_valid())
        raise_pending();
    // Tokens start at 1; the counter is the number of distinct items.
    intern_items(seen.ptr(), query_items, query_tokens, counter, 1, UINT64_MAX, raise_out_of_tokens, poll);
    intern_items(seen.ptr(), target_items, target_tokens, counter, 1, UINT64_MAX, raise_out_of_tokens, poll);
    return counter;
}

}  // namespace preprocess_detail

PreprocessedPair preprocess(PyObject *query, PyObject *target, int64_t match, int64_t mismatch, int64_t gap_open,
                            int64_t gap_extend, uint64_t width, InterruptPoll *poll) {
    reject_bytes_against_str(query, target);
    reject_buffer(query);
    reject_buffer(target);

    PreprocessedPair pair;
    KernelWidth token_width_needed = 8;
    if (is_bytes(query) && is_bytes(target)) {
        pair.kind = INPUT_BYTES;
        uint64_t top_q = 0, top_t = 0;
        const RawText q = raw_text_view(query, RAW_TEXT_BYTES);
        const RawText t = raw_text_view(target, RAW_TEXT_BYTES);
        pair.query = copy_units<uint8_t, uint8_t>(q.data, q.length, top_q);
        pair.target = copy_units<uint8_t, uint8_t>(t.data, t.length, top_t);
        pair.max_token = std::max(top_q, top_t);
    } else if (is_str(query) && is_str(target)) {
        pair.kind = INPUT_STR;
        uint64_t top_q = 0, top_t = 0;
        pair.query = tokens_from_str(query, top_q);
        pair.target = tokens_from_str(target, top_t);
        pair.max_token = std::max(top_q, top_t);
        token_width_needed = width_for_token(pair.max_token);
    } else {
        pair.kind = INPUT_OBJECTS;
        pair.query_items = collect_sequence_items(query, "query");
        pair.target_items = collect_sequence_items(target, "target");
        std::vector<uint64_t> query_tokens, target_tokens;
        pair.max_token = preprocess_detail::number_items(pair.query_items, pair.target_items, query_tokens,
                                                         target_tokens, 0, poll);
        pair.query = std::move(query_tokens);
        pair.target = std::move(target_tokens);
        token_width_needed = width_for_token(pair.max_token);
    }

    const uint64_t nq = token_count(pair.query), nt = token_count(pair.target);
    const uint64_t total = nq > UINT64_MAX - nt ? UINT64_MAX : nq + nt;
    const KernelWidthChoice choice =
        select_kernel_width(match, mismatch, gap_open, gap_extend, total, token_width_needed, width);
    pair.width = choice.width;
    pair.score_bound = choice.score_bound;

    // Only narrows to a width that holds max_token, so no token changes.
    if (token_width(pair.query) != pair.width)
        pair.query = convert_token_width(pair.query, pair.width);
    if (token_width(pair.target) != pair.width)
        pair.target = convert_token_width(pair.target, pair.width);
    return pair;
}

}  // namespace veltrocamber
