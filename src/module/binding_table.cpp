// The binding table of _swar: every class and function, in registration
// order, with its parameter names, defaults, keyword-only marks and
// docstring. The bodies live with their subsystems; this file only fixes the
// Python surface. Entries are numbered as in the module's function order.
#include "module/binding_table.hpp"

#include <cstdint>
#include <utility>

#include <nanobind/stl/string.h>

#include "align/alignment_score_bindings.hpp"
#include "align/matrix_path_bindings.hpp"
#include "align/matrix_score_bindings.hpp"
#include "align/farrar_score_bindings.hpp"
#include "distance/all_pairs_bindings.hpp"
#include "distance/hamming_bindings.hpp"
#include "distance/indel_bindings.hpp"
#include "distance/jaro_bindings.hpp"
#include "distance/levenshtein_bindings.hpp"
#include "distance/osa_bindings.hpp"
#include "distance/per_query_top_k.hpp"
#include "distance/threshold_iterator.hpp"
#include "distance/top_k_bindings.hpp"
#include "distance/true_damerau_levenshtein_bindings.hpp"
#include "dtw/dtw_bindings.hpp"
#include "module/calling_thread.hpp"
#include "module/garbage_collection_slots.hpp"
#include "module/raisers.hpp"
#include "module/result_classes.hpp"
#include "module/scorer_registry.hpp"
#include "phonetic/phonetic_bindings.hpp"
#include "traceback/cigar_bindings.hpp"
#include "traceback/linear_memory_bindings.hpp"
#include "traceback/needleman_wunsch_cigar_bindings.hpp"
#include "traceback/path_bindings.hpp"
#include "traceback/prepared_affine_cigar_bindings.hpp"

namespace nb = nanobind;
using namespace nb::literals;

namespace veltrocamber {
namespace {

// Every function of the module readies its calling thread before its body
// runs (calling_thread.hpp).
template <typename Function, typename... Extra>
void def(nb::module_ &m, const char *name, Function &&function, const Extra &...extra) {
    m.def(name, std::forward<Function>(function), extra..., nb::call_guard<CallingThreadReady>());
}

// Stores the identity of the module's function `name` under `id`; a name
// missing from the module is an error that ends the import.
void register_builtin_scorer(nb::module_ &m, const char *name, ScorerId id) {
    PyObject *fn = PyObject_GetAttrString(m.ptr(), name);
    if (fn == nullptr)
        raise_pending();
    register_scorer(fn, id);
    Py_DECREF(fn);
}

void register_builtin_scorers(nb::module_ &m) {
    for (const BuiltinScorer &scorer : BUILTIN_SCORERS)
        register_builtin_scorer(m, scorer.function, scorer.id);
}

void py_register_scorer(nb::handle fn, ScorerId scorer_id) { register_scorer(fn.ptr(), scorer_id); }

// The common alignment parameters: (query, target, *, match_score: int = 2,
// mismatch_score: int = -1, gap_score: int = -1, gap_open_score = None,
// gap_extend_score = None, width = None). Every object reaches the body, None
// included, so that input preparation names the argument it refuses.
template <typename Function>
void def_alignment_function(nb::module_ &m, const char *name, Function function) {
    def(m, name, function, "query"_a.none(), "target"_a.none(), nb::kw_only(), "match_score"_a = 2,
        "mismatch_score"_a = -1, "gap_score"_a = -1, "gap_open_score"_a.none() = nb::none(),
        "gap_extend_score"_a.none() = nb::none(), "width"_a.none() = nb::none());
}

// The same keywords for one query against a sequence of targets.
template <typename Function>
void def_alignment_batch_function(nb::module_ &m, const char *name, Function function) {
    def(m, name, function, "query"_a.none(), "targets"_a.none(), nb::kw_only(), "match_score"_a = 2,
        "mismatch_score"_a = -1, "gap_score"_a = -1, "gap_open_score"_a.none() = nb::none(),
        "gap_extend_score"_a.none() = nb::none(), "width"_a.none() = nb::none());
}

// The substitution-matrix parameters, none keyword-only: (query_indices,
// <second>, matrix_buffer, stride: int, gap_score: int = -1), or with
// gap_open_score and gap_extend_score (no defaults) for affine gaps. The
// index and matrix objects reach the body, None included, which refuses
// them with the family's TypeError.
template <typename Function>
void def_matrix_function(nb::module_ &m, const char *name, const char *second, Function function) {
    def(m, name, function, "query_indices"_a.none(), nb::arg(second).none(), "matrix_buffer"_a.none(), "stride"_a,
        "gap_score"_a = -1);
}

template <typename Function>
void def_affine_matrix_function(nb::module_ &m, const char *name, const char *second, Function function) {
    def(m, name, function, "query_indices"_a.none(), nb::arg(second).none(), "matrix_buffer"_a.none(), "stride"_a,
        "gap_open_score"_a, "gap_extend_score"_a);
}

}  // namespace

void define_module(nb::module_ m, const char *doc) {
    if (doc != nullptr)
        m.attr("__doc__") = nb::str(doc);
    else
        m.attr("__doc__") = nb::none();

    register_result_classes(m);  // AlignmentResult, AlignmentPath
    nb::class_<profile_traceback::PreparedAffineCigar>(m, "_PreparedAffineCigar");

    // ---- Smith-Waterman: scores, substitution matrices, paths, CIGAR (1-27) ----
    def_alignment_function(m, "smith_waterman_score", &py_smith_waterman_score);          // 1
    def_matrix_function(m, "smith_waterman_score_matrix", "target_indices", py_smith_waterman_score_matrix);  // 2
    def_matrix_function(m, "smith_waterman_scores_matrix", "targets", py_smith_waterman_scores_matrix);       // 3
    def_affine_matrix_function(m, "smith_waterman_affine_score_matrix", "target_indices",
                               py_smith_waterman_affine_score_matrix);  // 4
    def_matrix_function(m, "smith_waterman_path_info_matrix", "target_indices",
                        py_smith_waterman_path_info_matrix);  // 5
    def_affine_matrix_function(m, "smith_waterman_affine_path_info_matrix", "target_indices",
                               py_smith_waterman_affine_path_info_matrix);  // 6
    def_affine_matrix_function(m, "smith_waterman_affine_scores_matrix", "targets",
                               py_smith_waterman_affine_scores_matrix);  // 7
    def_alignment_batch_function(m, "smith_waterman_scores", &py_smith_waterman_scores);  // 8

    def_alignment_function(m, "smith_waterman_path", &py_smith_waterman_path);                   // 9
    def_alignment_function(m, "smith_waterman_path_info", &py_smith_waterman_path_info);         // 10
    def_alignment_function(m, "smith_waterman_cigar", &py_smith_waterman_cigar);                 // 11
    def_alignment_function(m, "_smith_waterman_cigar_digest", &py_smith_waterman_cigar_digest);  // 12
    def_alignment_function(m, "_smith_waterman_affine_checkpointed_cigar",
                           &py_smith_waterman_affine_checkpointed_cigar);  // 13
    def_alignment_function(m, "_prepare_smith_waterman_affine_cigar", &py_prepare_smith_waterman_affine_cigar);  // 14
    def(m, "_smith_waterman_affine_cigar_prepared", &py_smith_waterman_affine_cigar_prepared, "prepared"_a);  // 15

    def_alignment_function(m, "smith_waterman_trace_cigar", &py_smith_waterman_trace_cigar);  // 16
    def_alignment_function(m, "smith_waterman_trade_cigar", &py_smith_waterman_trade_cigar);  // 17

    // Striped Smith-Waterman scores and the prepared score classes (18-27).
    def_alignment_function(m, "smith_waterman_farrar_score", &py_smith_waterman_farrar_score);          // 18
    def_alignment_batch_function(m, "smith_waterman_farrar_scores", &py_smith_waterman_farrar_scores);  // 19
    nb::class_<PreparedSmithWatermanFarrarScore>(m, "_PreparedSmithWatermanFarrarScore");
    def_alignment_function(m, "_prepare_smith_waterman_farrar_score", &py_prepare_smith_waterman_farrar_score);  // 20
    def(m, "_smith_waterman_farrar_score_prepared", &py_smith_waterman_farrar_score_prepared, "prepared"_a);   // 21
    nb::class_<PreparedAffineScore>(m, "_PreparedAffineScore");
    def_alignment_function(m, "_prepare_smith_waterman_affine_score", &py_prepare_smith_waterman_affine_score);  // 22
    def(m, "_smith_waterman_affine_score_prepared", &py_smith_waterman_affine_score_prepared, "prepared"_a);  // 23
    def_alignment_function(m, "_prepare_smith_waterman_affine_farrar_score",
                           &py_prepare_smith_waterman_affine_farrar_score);  // 24
    def(m, "_smith_waterman_affine_farrar_score_prepared", &py_smith_waterman_affine_score_prepared,
        "prepared"_a);  // 25
    def_alignment_function(m, "_prepare_needleman_wunsch_affine_score",
                           &py_prepare_needleman_wunsch_affine_score);  // 26
    def(m, "_needleman_wunsch_affine_score_prepared", &py_needleman_wunsch_affine_score_prepared,
        "prepared"_a);  // 27

    // ---- Needleman-Wunsch (28-44) ----
    def_alignment_function(m, "needleman_wunsch_score", &py_needleman_wunsch_score);          // 28
    def_matrix_function(m, "needleman_wunsch_score_matrix", "target_indices", py_needleman_wunsch_score_matrix);  // 29
    def_matrix_function(m, "needleman_wunsch_scores_matrix", "targets", py_needleman_wunsch_scores_matrix);       // 30
    def_affine_matrix_function(m, "needleman_wunsch_affine_score_matrix", "target_indices",
                               py_needleman_wunsch_affine_score_matrix);  // 31
    def_matrix_function(m, "needleman_wunsch_path_info_matrix", "target_indices",
                        py_needleman_wunsch_path_info_matrix);  // 32
    def_affine_matrix_function(m, "needleman_wunsch_affine_path_info_matrix", "target_indices",
                               py_needleman_wunsch_affine_path_info_matrix);  // 33
    def_affine_matrix_function(m, "needleman_wunsch_affine_scores_matrix", "targets",
                               py_needleman_wunsch_affine_scores_matrix);  // 34
    def_alignment_batch_function(m, "needleman_wunsch_scores", &py_needleman_wunsch_scores);  // 35

    def_alignment_function(m, "needleman_wunsch_path", &py_needleman_wunsch_path);            // 36
    def_alignment_function(m, "needleman_wunsch_path_info", &py_needleman_wunsch_path_info);  // 37
    def_alignment_function(m, "needleman_wunsch_cigar", &py_needleman_wunsch_cigar);          // 38
    def_alignment_function(m, "_needleman_wunsch_cigar_digest", &py_needleman_wunsch_cigar_digest);  // 39
    def_alignment_function(m, "_needleman_wunsch_affine_checkpointed_cigar",
                           &py_needleman_wunsch_affine_checkpointed_cigar);  // 40
    def_alignment_function(m, "_prepare_needleman_wunsch_affine_cigar",
                           &py_prepare_needleman_wunsch_affine_cigar);                                         // 41
    def(m, "_needleman_wunsch_affine_cigar_prepared", &py_needleman_wunsch_affine_cigar_prepared, "prepared"_a);  // 42
    def_alignment_function(m, "needleman_wunsch_trace_cigar", &py_needleman_wunsch_trace_cigar);  // 43
    def_alignment_function(m, "needleman_wunsch_trade_cigar", &py_needleman_wunsch_trade_cigar);  // 44

    // ---- Levenshtein (45-50) ----
    {
        using namespace levenshtein;
        def(m, "levenshtein_score", &py_levenshtein_score, "query"_a.none(), "target"_a.none(),
            "score_cutoff"_a = nb::none(), LEVENSHTEIN_SCORE_DOC);
        def(m, "levenshtein_normalized_score", &py_levenshtein_normalized_score, "query"_a.none(), "target"_a.none(),
            "score_cutoff"_a = nb::none(), LEVENSHTEIN_NORMALIZED_SCORE_DOC);
        nb::class_<PreparedLevenshteinScoreU8>(m, "_PreparedLevenshteinScore")
            .def_prop_ro("query_size", [](const PreparedLevenshteinScoreU8 &p) { return p.query_size; })
            .def_prop_ro("single_word", [](const PreparedLevenshteinScoreU8 &p) { return p.single_word; });
        def(m, "_prepare_levenshtein_score", &py_prepare_levenshtein_score, "query"_a.none());
        def(m, "_levenshtein_score_prepared", &py_levenshtein_score_prepared, "prepared"_a, "target"_a.none(),
            "score_cutoff"_a = nb::none());
        def(m, "levenshtein_scores", &py_levenshtein_scores, "query"_a.none(), "targets"_a.none(),
            "score_cutoff"_a = nb::none());
        def(m, "levenshtein_normalized_scores", &py_levenshtein_normalized_scores, "query"_a.none(), "targets"_a.none(),
            "score_cutoff"_a = nb::none());
    }

    // ---- Optimal string alignment (51-54) ----
    {
        using namespace osa;
        def(m, "damerau_levenshtein_score", &py_damerau_levenshtein_score, "query"_a.none(), "target"_a.none(),
            DAMERAU_LEVENSHTEIN_SCORE_DOC);
        def(m, "damerau_levenshtein_normalized_score", &py_damerau_levenshtein_normalized_score, "query"_a.none(),
            "target"_a.none(), DAMERAU_LEVENSHTEIN_NORMALIZED_SCORE_DOC);
        def(m, "damerau_levenshtein_scores", &py_damerau_levenshtein_scores, "query"_a.none(), "targets"_a.none());
        def(m, "damerau_levenshtein_normalized_scores", &py_damerau_levenshtein_normalized_scores, "query"_a.none(),
            "targets"_a.none());
    }

    // ---- Dynamic time warping (55-56) ----
    def(m, "dtw", &py_dtw, "query"_a.none(), "target"_a.none(), nb::kw_only(), "window"_a.none() = nb::none(),
        "distance"_a.none() = nb::none(), DTW_DOC);
    def(m, "dtw_distances", &py_dtw_distances, "query"_a.none(), "targets"_a.none(), nb::kw_only(),
        "window"_a.none() = nb::none(), "distance"_a.none() = nb::none());

    // ---- Hamming (57) ----
    def(m, "hamming_score", &hamming::py_hamming_score, "query"_a.none(), "target"_a.none(),
        hamming::HAMMING_SCORE_DOC);

    // ---- Phonetic encoders (58-67) ----
    // Text arguments take None too (.none()), so that it meets the encoders'
    // own TypeError like any other wrong type.
    def(m, "soundex", &phonetic::py_soundex, "s"_a.none(), phonetic::SOUNDEX_DOC);  // 58
    def(m, "soundex_equal", &phonetic::py_soundex_equal, "s1"_a.none(), "s2"_a.none(),
        phonetic::SOUNDEX_EQUAL_DOC);  // 59
    def(m, "metaphone", &phonetic::py_metaphone, "s"_a.none(), nb::kw_only(), "variant"_a = 0,
        phonetic::METAPHONE_DOC);  // 60
    def(m, "metaphone_equal", &phonetic::py_metaphone_equal, "s1"_a.none(), "s2"_a.none(), nb::kw_only(),
        "variant"_a = 0, phonetic::METAPHONE_EQUAL_DOC);  // 61
    def(m, "nysiis", &phonetic::py_nysiis, "s"_a.none(), phonetic::NYSIIS_DOC);  // 62
    def(m, "nysiis_equal", &phonetic::py_nysiis_equal, "s1"_a.none(), "s2"_a.none(),
        phonetic::NYSIIS_EQUAL_DOC);  // 63
    def(m, "match_rating_codex", &phonetic::py_match_rating_codex, "s"_a.none(),
        phonetic::MATCH_RATING_CODEX_DOC);  // 64
    def(m, "match_rating_compare", &phonetic::py_match_rating_compare, "s1"_a.none(), "s2"_a.none(),
        phonetic::MATCH_RATING_COMPARE_DOC);  // 65
    def(m, "caverphone", &phonetic::py_caverphone, "s"_a.none(), phonetic::CAVERPHONE_DOC);  // 66
    def(m, "double_metaphone", &phonetic::py_double_metaphone, "s"_a.none(), nb::kw_only(),  // 67
        "max_length"_a = 64, "variant"_a = 0, phonetic::DOUBLE_METAPHONE_DOC);

    // ---- Hamming, continued (68-70) ----
    def(m, "hamming_normalized_score", &hamming::py_hamming_normalized_score, "query"_a.none(), "target"_a.none());
    def(m, "hamming_scores", &hamming::py_hamming_scores, "query"_a.none(), "targets"_a.none());
    def(m, "hamming_normalized_scores", &hamming::py_hamming_normalized_scores, "query"_a.none(), "targets"_a.none());

    // ---- Indel (71-74) ----
    {
        using namespace indel;
        def(m, "indel_score", &py_indel_score, "query"_a.none(), "target"_a.none(), INDEL_SCORE_DOC);
        def(m, "indel_normalized_score", &py_indel_normalized_score, "query"_a.none(), "target"_a.none(),
            INDEL_NORMALIZED_SCORE_DOC);
        def(m, "indel_scores", &py_indel_scores, "query"_a.none(), "targets"_a.none());
        def(m, "indel_normalized_scores", &py_indel_normalized_scores, "query"_a.none(), "targets"_a.none());
    }

    // ---- Unrestricted Damerau-Levenshtein (75-78) ----
    {
        using namespace true_damerau_levenshtein;
        def(m, "true_damerau_levenshtein_score", &py_true_damerau_levenshtein_score, "query"_a.none(),
            "target"_a.none(), TRUE_DAMERAU_LEVENSHTEIN_SCORE_DOC);
        def(m, "true_damerau_levenshtein_normalized_score", &py_true_damerau_levenshtein_normalized_score,
            "query"_a.none(), "target"_a.none(), TRUE_DAMERAU_LEVENSHTEIN_NORMALIZED_SCORE_DOC);
        def(m, "true_damerau_levenshtein_scores", &py_true_damerau_levenshtein_scores, "query"_a.none(),
            "targets"_a.none());
        def(m, "true_damerau_levenshtein_normalized_scores", &py_true_damerau_levenshtein_normalized_scores,
            "query"_a.none(), "targets"_a.none());
    }

    // ---- Jaro and Jaro-Winkler (79-82) ----
    {
        using namespace jaro;
        def(m, "jaro_similarity", &py_jaro_similarity, "query"_a.none(), "target"_a.none(), JARO_SIMILARITY_DOC);
        def(m, "jaro_winkler_similarity", &py_jaro_winkler_similarity, "query"_a.none(), "target"_a.none(),
            nb::kw_only(), "prefix_weight"_a = 0.1, "prefix_threshold"_a = 0.7, "prefix_cap"_a = 4,
            JARO_WINKLER_SIMILARITY_DOC);
        def(m, "jaro_similarities", &py_jaro_similarities, "query"_a.none(), "targets"_a.none());
        def(m, "jaro_winkler_similarities", &py_jaro_winkler_similarities, "query"_a.none(), "targets"_a.none(),
            nb::kw_only(), "prefix_weight"_a = 0.1, "prefix_threshold"_a = 0.7, "prefix_cap"_a = 4);
    }

    // ---- Top-k and extract (83-96) ----
    {
        using namespace distance;
        def(m, "levenshtein_top_k", &py_top_k<0>, "query"_a.none(), "targets"_a.none(), "k"_a = 5,
            LEVENSHTEIN_TOP_K_DOC);  // 83
        const auto def_top_k = [&m](const char *name, auto function) {
            def(m, name, function, "query"_a.none(), "targets"_a.none(), "k"_a = 5);
        };
        def_top_k("levenshtein_normalized_top_k", &py_top_k<1>);
        def_top_k("damerau_levenshtein_top_k", &py_top_k<2>);
        def_top_k("damerau_levenshtein_normalized_top_k", &py_top_k<3>);
        def_top_k("hamming_top_k", &py_top_k<4>);
        def_top_k("hamming_normalized_top_k", &py_top_k<5>);
        def_top_k("indel_top_k", &py_top_k<8>);
        def_top_k("indel_normalized_top_k", &py_top_k<9>);
        def_top_k("true_damerau_levenshtein_top_k", &py_top_k<10>);
        def_top_k("true_damerau_levenshtein_normalized_top_k", &py_top_k<11>);
        def_top_k("jaro_top_k", &py_top_k<6>);  // 93
        def(m, "jaro_winkler_top_k", &py_jaro_winkler_top_k, "query"_a.none(), "targets"_a.none(), nb::kw_only(),
            "k"_a = 5, "prefix_weight"_a = 0.1, "prefix_threshold"_a = 0.7, "prefix_cap"_a = 4);  // 94
    }
    // 95
    def(m, "smith_waterman_top_k", &py_smith_waterman_top_k, "query"_a.none(), "targets"_a.none(), nb::kw_only(),
        "k"_a = 5, "match_score"_a = 2, "mismatch_score"_a = -1, "gap_score"_a = -1,
        "gap_open_score"_a.none() = nb::none(), "gap_extend_score"_a.none() = nb::none(),
        "width"_a.none() = nb::none());
    // 96: `scorer` is converted as an int; a scoring function object is refused by nanobind.
    def(m, "extract", &distance::py_extract, "query"_a.none(), "targets"_a.none(), nb::kw_only(), "scorer"_a,
        "k"_a = 5);

    register_builtin_scorers(m);

    // 97
    def(m, "_register_scorer", &py_register_scorer, "fn"_a.none(), "scorer_id"_a);

    // ---- All-pairs entry points and the threshold iterator (98-101) ----
    // `scorer` is untyped here: an int or a registered scoring function.
    def(m, "cdist", &all_pairs::py_cdist, "queries"_a.none(), "targets"_a.none(), nb::kw_only(), "scorer"_a.none(),
        "tqdm"_a.none() = nb::none(), "cpu_count"_a = 1, "prefix_weight"_a = 0.1, "prefix_threshold"_a = 0.7,
        "prefix_cap"_a = 4);  // 98
    {
        using cdist_threshold::ThresholdIterator;
        const auto iterator_slots = garbage_collection_slots<ThresholdIterator, &ThresholdIterator::visit_held_objects,
                                                             &ThresholdIterator::shut_down>();
        nb::class_<ThresholdIterator>(m, "_ThresholdIterator", nb::type_slots(iterator_slots))
            .def("__iter__", [](nb::handle_t<ThresholdIterator> self) { return nb::borrow(self); })
            .def("__next__", &cdist_threshold::threshold_iterator_next, nb::call_guard<CallingThreadReady>());
    }
    def(m, "cdist_above_threshold", &all_pairs::py_cdist_above_threshold, "queries"_a.none(), "targets"_a.none(),
        nb::kw_only(), "scorer"_a.none(), "threshold"_a, "tqdm"_a.none() = nb::none(), "cpu_count"_a = 1,
        "prefix_weight"_a = 0.1, "prefix_threshold"_a = 0.7, "prefix_cap"_a = 4);  // 99
    // 100: `pruning` takes True or False only, not other objects with a truth value.
    def(m, "cdist_top_k_one_query", &distance::py_cdist_top_k_one_query, "query"_a.none(), "targets"_a.none(),
        nb::kw_only(), "scorer"_a, "k"_a, "prefix_weight"_a = 0.1, "prefix_threshold"_a = 0.7, "prefix_cap"_a = 4,
        "pruning"_a.noconvert() = false, distance::CDIST_TOP_K_ONE_QUERY_DOC);
    def(m, "cdist_top_k", &all_pairs::py_cdist_top_k, "queries"_a.none(), "targets"_a.none(), nb::kw_only(),
        "scorer"_a.none(), "k"_a, "tqdm"_a.none() = nb::none(), "cpu_count"_a = 1, "reject_duplicates"_a = false,
        "prefix_weight"_a = 0.1, "prefix_threshold"_a = 0.7, "prefix_cap"_a = 4);  // 101
}

}  // namespace veltrocamber
