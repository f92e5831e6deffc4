#include "distance/all_pairs_bindings.hpp"

#include "module/keyword_conversion.hpp"
#include "module/raisers.hpp"
#include "module/scorer_registry.hpp"

namespace nb = nanobind;

namespace veltrocamber::all_pairs {
namespace {

struct EntryTexts {
    const char *name;
    const char *unknown_scorer;   // ValueError: a scorer object the registry does not know
    const char *not_implemented;  // NotImplementedError: the end of every accepted call
};

constexpr EntryTexts CDIST{
    "cdist",
    "cdist scorer must be a Scorer enum value or a known veltrocamber scoring function (e.g. "
    "veltrocamber.levenshtein_scores).",
    "cdist is not implemented for this backend; use a SIMD-capable backend (any non-generic).",
};
constexpr EntryTexts CDIST_ABOVE_THRESHOLD{
    "cdist_above_threshold",
    "cdist_above_threshold scorer must be a normalized Scorer enum value or a known veltrocamber scoring "
    "function (e.g. veltrocamber.jaro_similarities).",
    "cdist_above_threshold is not implemented for this backend; use a SIMD-capable backend (any non-generic).",
};
constexpr EntryTexts CDIST_TOP_K{
    "cdist_top_k",
    "cdist_top_k scorer must be a normalized Scorer enum value or a known veltrocamber scoring function.",
    "cdist_top_k is not implemented for this backend; use a SIMD-capable backend (any non-generic).",
};

// An integer scorer is converted but its value not examined (neither its
// range 0 to 11 nor whether it is a normalized scorer); any other object must
// be registered, whatever id it maps to.
[[noreturn]] void check_scorer_and_refuse(const EntryTexts &entry, nb::handle scorer) {
    if (PyLong_Check(scorer.ptr()))
        integer_keyword<int32_t>(entry.name, "scorer", scorer);
    else if (!lookup_scorer(scorer.ptr()))
        raise_value_error(entry.unknown_scorer);
    raise_not_implemented_error(entry.not_implemented);
}

}  // namespace

void py_cdist(nb::handle, nb::handle, nb::handle scorer, nb::handle, uint64_t, double, double, uint64_t) {
    check_scorer_and_refuse(CDIST, scorer);
}

void py_cdist_above_threshold(nb::handle, nb::handle, nb::handle scorer, double, nb::handle, uint64_t, double, double,
                              uint64_t) {
    check_scorer_and_refuse(CDIST_ABOVE_THRESHOLD, scorer);
}

void py_cdist_top_k(nb::handle, nb::handle, nb::handle scorer, uint64_t, nb::handle, uint64_t, bool, double, double,
                    uint64_t) {
    check_scorer_and_refuse(CDIST_TOP_K, scorer);
}

}  // namespace veltrocamber::all_pairs
