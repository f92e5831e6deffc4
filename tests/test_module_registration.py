"""The _swar module surface: docstring, registration order, the scorer registry."""

import sys

import pytest

import veltrocamber
from veltrocamber import _swar

# Every name the module registers, in registration order (classes included).
REGISTRATION_ORDER = """
AlignmentResult AlignmentPath _PreparedAffineCigar
smith_waterman_score smith_waterman_score_matrix smith_waterman_scores_matrix
smith_waterman_affine_score_matrix smith_waterman_path_info_matrix
smith_waterman_affine_path_info_matrix smith_waterman_affine_scores_matrix smith_waterman_scores
smith_waterman_path smith_waterman_path_info smith_waterman_cigar _smith_waterman_cigar_digest
_smith_waterman_affine_checkpointed_cigar _prepare_smith_waterman_affine_cigar
_smith_waterman_affine_cigar_prepared smith_waterman_trace_cigar smith_waterman_trade_cigar
smith_waterman_farrar_score smith_waterman_farrar_scores _PreparedSmithWatermanFarrarScore
_prepare_smith_waterman_farrar_score _smith_waterman_farrar_score_prepared _PreparedAffineScore
_prepare_smith_waterman_affine_score _smith_waterman_affine_score_prepared
_prepare_smith_waterman_affine_farrar_score _smith_waterman_affine_farrar_score_prepared
_prepare_needleman_wunsch_affine_score _needleman_wunsch_affine_score_prepared
needleman_wunsch_score needleman_wunsch_score_matrix needleman_wunsch_scores_matrix
needleman_wunsch_affine_score_matrix needleman_wunsch_path_info_matrix
needleman_wunsch_affine_path_info_matrix needleman_wunsch_affine_scores_matrix needleman_wunsch_scores
needleman_wunsch_path needleman_wunsch_path_info needleman_wunsch_cigar _needleman_wunsch_cigar_digest
_needleman_wunsch_affine_checkpointed_cigar _prepare_needleman_wunsch_affine_cigar
_needleman_wunsch_affine_cigar_prepared needleman_wunsch_trace_cigar needleman_wunsch_trade_cigar
levenshtein_score levenshtein_normalized_score _PreparedLevenshteinScore _prepare_levenshtein_score
_levenshtein_score_prepared levenshtein_scores levenshtein_normalized_scores
damerau_levenshtein_score damerau_levenshtein_normalized_score damerau_levenshtein_scores
damerau_levenshtein_normalized_scores dtw dtw_distances hamming_score
soundex soundex_equal metaphone metaphone_equal nysiis nysiis_equal match_rating_codex
match_rating_compare caverphone double_metaphone
hamming_normalized_score hamming_scores hamming_normalized_scores
indel_score indel_normalized_score indel_scores indel_normalized_scores
true_damerau_levenshtein_score true_damerau_levenshtein_normalized_score
true_damerau_levenshtein_scores true_damerau_levenshtein_normalized_scores
jaro_similarity jaro_winkler_similarity jaro_similarities jaro_winkler_similarities
levenshtein_top_k levenshtein_normalized_top_k damerau_levenshtein_top_k
damerau_levenshtein_normalized_top_k hamming_top_k hamming_normalized_top_k indel_top_k
indel_normalized_top_k true_damerau_levenshtein_top_k true_damerau_levenshtein_normalized_top_k
jaro_top_k jaro_winkler_top_k smith_waterman_top_k extract
_register_scorer cdist _ThresholdIterator cdist_above_threshold cdist_top_k_one_query cdist_top_k
""".split()

def registered_names():
    return [name for name in vars(_swar) if not (name.startswith("__") and name.endswith("__"))]


def test_module_docstring():
    assert _swar.__doc__ == "64-bit SWAR Farrar alignment backend."


def test_table_lists_every_name_once():
    assert len(REGISTRATION_ORDER) == len(set(REGISTRATION_ORDER)) == 108


def test_registered_names_follow_the_table_order():
    names = registered_names()
    unknown = [n for n in names if n not in REGISTRATION_ORDER]
    assert unknown == []
    assert names == [n for n in REGISTRATION_ORDER if n in names]
    assert names[:2] == ["AlignmentResult", "AlignmentPath"]


def test_package_reexports_public_names():
    for name in registered_names():
        if not name.startswith("_"):
            assert getattr(veltrocamber, name) is getattr(_swar, name)
            assert name in veltrocamber.__all__
    assert {"Scorer", "MetaphoneVariant", "DoubleMetaphoneVariant"} <= set(veltrocamber.__all__)


def test_scorer_enum_ids():
    assert {s.name: s.value for s in veltrocamber.Scorer} == {
        "LEVENSHTEIN": 0,
        "LEVENSHTEIN_NORMALIZED": 1,
        "DAMERAU_LEVENSHTEIN": 2,
        "DAMERAU_LEVENSHTEIN_NORMALIZED": 3,
        "HAMMING": 4,
        "HAMMING_NORMALIZED": 5,
        "JARO": 6,
        "JARO_WINKLER": 7,
        "INDEL": 8,
        "INDEL_NORMALIZED": 9,
        "TRUE_DAMERAU_LEVENSHTEIN": 10,
        "TRUE_DAMERAU_LEVENSHTEIN_NORMALIZED": 11,
    }
    assert [s.value for s in veltrocamber.Scorer if s.is_similarity] == [1, 3, 5, 6, 7, 9, 11]


def test_builtin_scorer_table_agrees_with_the_scorer_enum(hooks):
    # The ids are written once in C++ (the registry's built-in table) and
    # once in Python (`Scorer`): every member must name the batch function
    # that the module registers under its value, and only those.
    table = hooks.builtin_scorers()
    assert [name for name, _ in table] == [
        "levenshtein_scores", "levenshtein_normalized_scores", "damerau_levenshtein_scores",
        "damerau_levenshtein_normalized_scores", "hamming_scores", "hamming_normalized_scores",
        "indel_scores", "indel_normalized_scores", "true_damerau_levenshtein_scores",
        "true_damerau_levenshtein_normalized_scores", "jaro_similarities", "jaro_winkler_similarities",
    ]
    assert sorted(scorer_id for _, scorer_id in table) == sorted(s.value for s in veltrocamber.Scorer)
    for function, scorer_id in table:
        member = veltrocamber.Scorer(scorer_id)
        assert function.removesuffix("_scores").removesuffix("_similarities").upper() == member.name
        assert member.is_similarity == ("normalized" in function or function.endswith("_similarities"))
        assert callable(getattr(_swar, function))


def test_variant_enums_have_standard_member():
    assert veltrocamber.MetaphoneVariant.STANDARD == 0
    assert veltrocamber.DoubleMetaphoneVariant.STANDARD == 0


def test_register_scorer_returns_none():
    def scorer():
        pass

    assert _swar._register_scorer(scorer, 3) is None
    assert _swar._register_scorer(scorer_id=7, fn=scorer) is None


@pytest.mark.parametrize("bad_id", [2**31, -(2**31) - 1, 1.5, "3", None])
def test_register_scorer_rejects_ids_outside_int32(bad_id):
    with pytest.raises(TypeError):
        _swar._register_scorer(object(), bad_id)


def test_registered_object_is_kept_alive():
    # The registry holds one strong reference per object, so a dropped
    # scorer's address can never be taken over by an unrelated object that
    # would then pass as it. Registering again replaces the id only.
    fn = object()
    before = sys.getrefcount(fn)
    _swar._register_scorer(fn, 5)
    _swar._register_scorer(fn, 6)
    assert sys.getrefcount(fn) == before + 1
    for other in (42, "name", [1, 2], None):
        assert _swar._register_scorer(other, 9) is None
