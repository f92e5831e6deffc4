// What the edit-distance test hooks share: token vectors of a chosen width
// from plain values, the bytes of a Python bytes argument, and the
// registration of a byte kernel that refuses inputs outside what the kernel
// requires.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include <nanobind/nanobind.h>

#include "module/raisers.hpp"
#include "module/token_vector.hpp"

namespace veltrocamber::testing {

inline TokenVector tokens_of_width(uint64_t width, const std::vector<uint64_t> &values) {
    return convert_token_width(TokenVector(std::in_place_index<3>, values), width);
}

inline const uint8_t *bytes_data(const nanobind::bytes &b) { return static_cast<const uint8_t *>(b.data()); }

// `name`(query, target) runs kernel(query bytes, lq, target bytes, lt) when
// accepts(lq, lt) holds, and raises ValueError `refusal` otherwise.
template <typename Kernel, typename Accepts>
void def_byte_kernel(nanobind::module_ &m, const char *name, Kernel kernel, Accepts accepts, const char *refusal) {
    m.def(name, [kernel, accepts, refusal](nanobind::bytes q, nanobind::bytes t) {
        if (!accepts(q.size(), t.size()))
            raise_value_error(refusal);
        return kernel(bytes_data(q), q.size(), bytes_data(t), t.size());
    });
}

}  // namespace veltrocamber::testing
