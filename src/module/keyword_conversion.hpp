// Integer keyword arguments that a binding takes as Python objects and
// converts in its body (`score_cutoff`, `gap_open_score`, `width`, ...), with
// errors that name the function, the argument and what it takes.
//
// A value converts when it is an int, a subclass of int (bool included), or
// an object with __index__ (a NumPy integer, say); a float does not. Then:
// - a value of another type raises TypeError "<function>: <argument> must be
//   an int or None, not <type>" ("an int, not <type>" where None is not
//   taken);
// - an int outside the target type raises OverflowError "<function>:
//   <argument> must be between <min> and <max>";
// - an error raised by the conversion itself (an __index__ that raises or
//   returns a non-int) propagates unchanged.
// Every message is raised with the Python error set (python_error thrown).
#pragma once

#include <Python.h>

#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>

#include <nanobind/nanobind.h>

namespace veltrocamber {

namespace keyword_detail {

// The values a target type holds, as a signed lower and an unsigned upper
// bound (together they cover every 64-bit type).
struct IntegerRange {
    int64_t min;
    uint64_t max;
};

template <std::integral T>
constexpr IntegerRange range_of() noexcept {
    return {static_cast<int64_t>(std::numeric_limits<T>::min()), static_cast<uint64_t>(std::numeric_limits<T>::max())};
}

// The value's bits in two's complement, inside `range`; raises as above.
// `none_taken` only changes the TypeError's wording.
uint64_t integer_bits(const char *function, const char *argument, PyObject *value, bool none_taken,
                      IntegerRange range);

}  // namespace keyword_detail

// A keyword that must be an integer of type T.
template <std::integral T>
T integer_keyword(const char *function, const char *argument, nanobind::handle value) {
    return static_cast<T>(
        keyword_detail::integer_bits(function, argument, value.ptr(), false, keyword_detail::range_of<T>()));
}

// A keyword that is None (no value) or an integer of type T.
template <std::integral T>
std::optional<T> optional_integer_keyword(const char *function, const char *argument, nanobind::handle value) {
    if (value.is_none())
        return std::nullopt;
    return static_cast<T>(
        keyword_detail::integer_bits(function, argument, value.ptr(), true, keyword_detail::range_of<T>()));
}

}  // namespace veltrocamber
