// _testhooks entries of dynamic time warping.
#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>
#include <nanobind/stl/vector.h>

#include "dtw/dtw.hpp"
#include "testing/test_hooks.hpp"

namespace nb = nanobind;

namespace veltrocamber::testing {

void register_dtw_hooks(nb::module_ &m) {
    // The float64 kernel with its raw arguments, empty inputs and any cost
    // kind included.
    m.def("dtw_kernel_float64",
          [](const std::vector<double> &q, const std::vector<double> &t, int32_t cost_kind, uint64_t radius,
             bool has_band) {
              return dtw::dtw_kernel<double>(q.data(), q.size(), t.data(), t.size(), cost_kind, radius, has_band);
          });
}

}  // namespace veltrocamber::testing
