#include "module/keyword_conversion.hpp"

#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber::keyword_detail {

namespace {

[[noreturn]] void raise_out_of_range(const char *function, const char *argument, IntegerRange range) {
    PyErr_Format(PyExc_OverflowError, "%s: %s must be between %lld and %llu", function, argument,
                 static_cast<long long>(range.min), static_cast<unsigned long long>(range.max));
    raise_pending();
}

}  // namespace

uint64_t integer_bits(const char *function, const char *argument, PyObject *value, bool none_taken,
                      IntegerRange range) {
    nb::object number;
    if (PyLong_Check(value)) {
        number = nb::borrow(value);
    } else if (PyIndex_Check(value)) {
        number = nb::steal(PyNumber_Index(value));
        if (!number.is_valid())
            raise_pending();
    } else {
        PyErr_Format(PyExc_TypeError, "%s: %s must be %s, not %.200s", function, argument,
                     none_taken ? "an int or None" : "an int", Py_TYPE(value)->tp_name);
        raise_pending();
    }
    int overflow = 0;
    const long long signed_value = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
    if (overflow == 0) {
        if (signed_value == -1 && PyErr_Occurred())
            raise_pending();
        if (signed_value < range.min || (signed_value > 0 && static_cast<uint64_t>(signed_value) > range.max))
            raise_out_of_range(function, argument, range);
        return static_cast<uint64_t>(signed_value);
    }
    // Above the signed 64-bit range: only an unsigned 64-bit target can
    // still hold it.
    if (overflow > 0 && range.max > static_cast<uint64_t>(INT64_MAX)) {
        const unsigned long long unsigned_value = PyLong_AsUnsignedLongLong(number.ptr());
        if (!(unsigned_value == static_cast<unsigned long long>(-1) && PyErr_Occurred()))
            return unsigned_value;
        PyErr_Clear();
    }
    raise_out_of_range(function, argument, range);
}

}  // namespace veltrocamber::keyword_detail
