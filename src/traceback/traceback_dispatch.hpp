// Choosing the traceback cell type from a channel width, written once for
// every traceback entry point: `kernel` is called with a zero of the cell
// type (int8_t, int16_t, int32_t or int64_t) and narrows its scoring values
// to that type itself, keeping their low bits (exact under the width rule).
#pragma once

#include <cstdint>

#include "module/raisers.hpp"

namespace veltrocamber::profile_traceback {

template <typename Kernel>
decltype(auto) dispatch_cell_width(unsigned width, Kernel &&kernel) {
    switch (width) {
        case 8: return kernel(int8_t{0});
        case 16: return kernel(int16_t{0});
        case 32: return kernel(int32_t{0});
        case 64: return kernel(int64_t{0});
        default: raise_runtime_error("unsupported profile traceback width");
    }
}

}  // namespace veltrocamber::profile_traceback
