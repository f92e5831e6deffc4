// _testhooks: a private module, built only with VELTROCAMBER_TEST_HOOKS=ON,
// that lets the tests reach internals which have no public entry point of
// their own. It links the same objects as _swar, so it holds its own copy of
// any static state (the scorer registry, for one): test that state through
// _swar itself.
#include <nanobind/nanobind.h>

#include "testing/test_hooks.hpp"

namespace nb = nanobind;

NB_MODULE(_testhooks, m) {
    // Records returned by the hooks are _swar's own classes; importing _swar
    // first registers them with nanobind.
    nb::module_::import_("veltrocamber._swar");
    using namespace veltrocamber::testing;
    register_module_hooks(m);
    register_input_preparation_hooks(m);
    register_align_hooks(m);
    register_levenshtein_hooks(m);
    register_edit_distance_hooks(m);
    register_phonetic_hooks(m);
    register_traceback_hooks(m);
    register_linear_memory_hooks(m);
    register_dtw_hooks(m);
    register_threshold_producer_hooks(m);
}
