#pragma once

#include <nanobind/nanobind.h>

namespace veltrocamber {

// Registers the traceback kernels' entries of _testhooks.
void register_traceback_hooks(nanobind::module_ &m);

}  // namespace veltrocamber
