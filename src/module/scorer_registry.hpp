// The process-wide map from a scoring function object, by identity, to its
// ScorerId.
//
// Every registered object is held by a strong reference for the life of the
// registry, so an address can never be reused by another object while its
// entry stands. The registry is created on first use and lives until process
// exit; it is reached only with the interpreter lock held.
#pragma once

#include <Python.h>

#include <cstdint>
#include <optional>

namespace veltrocamber {

using ScorerId = int32_t;

// Stores (or replaces) the id for `fn`.
void register_scorer(PyObject *fn, ScorerId id);

std::optional<ScorerId> lookup_scorer(PyObject *fn);

}  // namespace veltrocamber
