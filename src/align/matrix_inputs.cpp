#include "align/matrix_inputs.hpp"

#include <algorithm>
#include <string>

#include "module/raisers.hpp"

namespace veltrocamber::matrix_mode {
namespace {

std::string decimal(unsigned __int128 value) {
    std::string digits;
    do {
        digits.push_back(static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    std::reverse(digits.begin(), digits.end());
    return digits;
}

uint64_t magnitude(int64_t v) noexcept {
    return v < 0 ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
}

// A code at or above the stride would index past the matrix. The usual cause is
// a sequence passed as its letters instead of its alphabet indices.
void check_codes(const MatrixCall &call, const RawText &codes, const std::string &argument, uint64_t stride) {
    if (stride > 0xFF)
        return;
    const uint8_t *end = codes.data + codes.length;
    const uint8_t *found = std::find_if(codes.data, end, [stride](uint8_t c) { return c >= stride; });
    if (found == end)
        return;
    const std::string message = std::string(call.function) + ": code " + std::to_string(*found) + " at index " +
                                std::to_string(found - codes.data) + " of " + argument + " is not below stride " +
                                std::to_string(stride) +
                                "; use SubstitutionMatrix.encode to map sequences to alphabet indices";
    raise_value_error(message.c_str());
}

}  // namespace

MatrixPair checked_matrix_pair(const MatrixCall &call, PyObject *query, PyObject *target, PyObject *matrix,
                               uint64_t stride, size_t target_index) {
    const int query_mode = raw_text_mode(query);
    const int target_mode = raw_text_mode(target);
    const int matrix_mode = raw_text_mode(matrix);
    if (query_mode == 0 || target_mode == 0 || matrix_mode == 0)
        raise_type_error(call.type_message);
    MatrixPair pair{raw_text_view(query, query_mode), raw_text_view(target, target_mode), nullptr, stride};
    const RawText entries = raw_text_view(matrix, matrix_mode);
    const unsigned __int128 cells = static_cast<unsigned __int128>(stride) * stride;
    if (cells != entries.length) {
        const std::string message = "matrix buffer size " + std::to_string(entries.length) +
                                    " does not match stride * stride = " + decimal(cells);
        raise_value_error(message.c_str());
    }
    pair.entries = reinterpret_cast<const int8_t *>(entries.data);
    check_codes(call, pair.query, "query_indices", stride);
    check_codes(call, pair.target,
                target_index == SIZE_MAX ? std::string(call.target_name)
                                         : std::string(call.target_name) + "[" + std::to_string(target_index) + "]",
                stride);
    return pair;
}

uint64_t largest_entry_magnitude(const MatrixPair &pair) noexcept {
    const size_t count = static_cast<size_t>(pair.stride * pair.stride);
    int low = 0, high = 0;
    for (size_t k = 0; k < count; ++k) {
        low = std::min<int>(low, pair.entries[k]);
        high = std::max<int>(high, pair.entries[k]);
    }
    return static_cast<uint64_t>(std::max(-low, high));
}

uint64_t matrix_score_bound(uint64_t total_length, uint64_t largest_entry, int64_t gap_open, int64_t gap_extend) {
    const uint64_t value = std::max({magnitude(gap_open), magnitude(gap_extend), largest_entry});
    const unsigned __int128 bound = static_cast<unsigned __int128>(value) * total_length;
    if (bound > static_cast<uint64_t>(INT64_MAX))
        raise_overflow_error("alignment score bound exceeds the 64-bit kernel capacity");
    return static_cast<uint64_t>(bound);
}

unsigned matrix_cell_width(uint64_t bound) noexcept {
    return bound < 0x80 ? 8 : bound < 0x8000 ? 16 : bound <= 0x7FFFFFFF ? 32 : 64;
}

}  // namespace veltrocamber::matrix_mode
