#pragma once

#include <nanobind/nanobind.h>

namespace veltrocamber {

// Sets the module docstring (None when `doc` is null) and registers every
// class and function of _swar in the order of the binding table.
void define_module(nanobind::module_ m, const char *doc);

}  // namespace veltrocamber
