#include "module/result_arrays.hpp"

namespace veltrocamber {

void free_int64_result(void *vector) noexcept { delete static_cast<std::vector<int64_t> *>(vector); }

void free_float64_result(void *vector) noexcept { delete static_cast<std::vector<double> *>(vector); }

}  // namespace veltrocamber
