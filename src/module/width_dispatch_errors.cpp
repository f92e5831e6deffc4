// The Python side of the two width dispatch headers, which include no
// Python themselves.
#include "module/cell_width_dispatch.hpp"
#include "module/raisers.hpp"
#include "module/token_width_dispatch.hpp"

namespace veltrocamber {

void raise_mismatched_token_widths(const char *message) { raise_runtime_error(message); }

void raise_unsupported_cell_width(const char *message) { raise_runtime_error(message); }

}  // namespace veltrocamber
