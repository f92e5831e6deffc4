// Width dispatch for the kernels of one cell (or lane) width.
//
// The alignment and traceback kernels are templates over a signed cell
// type, one instance per kernel width. cell_width_dispatch() calls
// `kernel.template operator()<Cell>()` with the cell type of `width` (8, 16,
// 32 or 64 bits: int8_t, int16_t, int32_t, int64_t); any other width raises
// RuntimeError with `unsupported`, the caller's own text (such as
// "unsupported kernel width" or "unsupported profile traceback width").
// lane_width_dispatch() does the same for the lanes of the striped SWAR
// kernels, which come in 8, 16 and 32 bits only.
//
// `kernel` is a C++20 template lambda:
//
//     int64_t s = cell_width_dispatch(channel.width, "unsupported profile traceback width",
//         [&]<typename Cell>() {
//             return kernel<Cell>(q, qlen, t, tlen, Cell(match), Cell(mismatch), Cell(gap));
//         });
//
// Every instance must return the same type, which is what the dispatch
// returns. The kernel is called at most once; its exceptions pass through
// unchanged. No Python API is included here.
#pragma once

#include <cstdint>

namespace veltrocamber {

// Sets RuntimeError with `message` and throws python_error.
[[noreturn]] void raise_unsupported_cell_width(const char *message);

namespace cell_dispatch_detail {

template <typename Cell, typename... Wider, typename Kernel>
decltype(auto) dispatch_from(unsigned width, const char *unsupported, Kernel &kernel) {
    if (width == 8 * sizeof(Cell))
        return kernel.template operator()<Cell>();
    if constexpr (sizeof...(Wider) > 0)
        return dispatch_from<Wider...>(width, unsupported, kernel);
    else
        raise_unsupported_cell_width(unsupported);
}

}  // namespace cell_dispatch_detail

template <typename Kernel>
decltype(auto) cell_width_dispatch(unsigned width, const char *unsupported, Kernel &&kernel) {
    return cell_dispatch_detail::dispatch_from<int8_t, int16_t, int32_t, int64_t>(width, unsupported, kernel);
}

template <typename Kernel>
decltype(auto) lane_width_dispatch(unsigned width, const char *unsupported, Kernel &&kernel) {
    return cell_dispatch_detail::dispatch_from<int8_t, int16_t, int32_t>(width, unsupported, kernel);
}

}  // namespace veltrocamber
