"""The Python signatures of the registered functions: names, defaults, keyword-only marks.

Only functions that are registered are checked; each family's own tests cover
its behaviour.
"""

import re

import pytest

from veltrocamber import _swar

A = "query, target, *, match_score: int = 2, mismatch_score: int = -1, gap_score: int = -1, " \
    "gap_open_score = None, gap_extend_score = None, width = None"
AT = A.replace("target,", "targets,", 1)
M = "query_indices, target_indices, matrix_buffer, stride: int, gap_score: int = -1"
MT = M.replace("target_indices", "targets")
MA = "query_indices, target_indices, matrix_buffer, stride: int, gap_open_score: int, gap_extend_score: int"
MAT = MA.replace("target_indices", "targets")
JW = "prefix_weight: float = 0.1, prefix_threshold: float = 0.7, prefix_cap: int = 4"
PAIR = "query, target"
BATCH = "query, targets"
TOPK = "query, targets, k: int = 5"
CUT = "score_cutoff = None"

EXPECTED = {
    "smith_waterman_score": A,
    "smith_waterman_score_matrix": M,
    "smith_waterman_scores_matrix": MT,
    "smith_waterman_affine_score_matrix": MA,
    "smith_waterman_path_info_matrix": M,
    "smith_waterman_affine_path_info_matrix": MA,
    "smith_waterman_affine_scores_matrix": MAT,
    "smith_waterman_scores": AT,
    "smith_waterman_path": A,
    "smith_waterman_path_info": A,
    "smith_waterman_cigar": A,
    "_smith_waterman_cigar_digest": A,
    "_smith_waterman_affine_checkpointed_cigar": A,
    "_prepare_smith_waterman_affine_cigar": A,
    "_smith_waterman_affine_cigar_prepared": "prepared",
    "smith_waterman_trace_cigar": A,
    "smith_waterman_trade_cigar": A,
    "smith_waterman_farrar_score": A,
    "smith_waterman_farrar_scores": AT,
    "_prepare_smith_waterman_farrar_score": A,
    "_smith_waterman_farrar_score_prepared": "prepared",
    "_prepare_smith_waterman_affine_score": A,
    "_smith_waterman_affine_score_prepared": "prepared",
    "_prepare_smith_waterman_affine_farrar_score": A,
    "_smith_waterman_affine_farrar_score_prepared": "prepared",
    "_prepare_needleman_wunsch_affine_score": A,
    "_needleman_wunsch_affine_score_prepared": "prepared",
    "needleman_wunsch_score": A,
    "needleman_wunsch_score_matrix": M,
    "needleman_wunsch_scores_matrix": MT,
    "needleman_wunsch_affine_score_matrix": MA,
    "needleman_wunsch_path_info_matrix": M,
    "needleman_wunsch_affine_path_info_matrix": MA,
    "needleman_wunsch_affine_scores_matrix": MAT,
    "needleman_wunsch_scores": AT,
    "needleman_wunsch_path": A,
    "needleman_wunsch_path_info": A,
    "needleman_wunsch_cigar": A,
    "_needleman_wunsch_cigar_digest": A,
    "_needleman_wunsch_affine_checkpointed_cigar": A,
    "_prepare_needleman_wunsch_affine_cigar": A,
    "_needleman_wunsch_affine_cigar_prepared": "prepared",
    "needleman_wunsch_trace_cigar": A,
    "needleman_wunsch_trade_cigar": A,
    "levenshtein_score": f"{PAIR}, {CUT}",
    "levenshtein_normalized_score": f"{PAIR}, {CUT}",
    "_prepare_levenshtein_score": "query",
    "_levenshtein_score_prepared": f"prepared, target, {CUT}",
    "levenshtein_scores": f"{BATCH}, {CUT}",
    "levenshtein_normalized_scores": f"{BATCH}, {CUT}",
    "damerau_levenshtein_score": PAIR,
    "damerau_levenshtein_normalized_score": PAIR,
    "damerau_levenshtein_scores": BATCH,
    "damerau_levenshtein_normalized_scores": BATCH,
    "dtw": "query, target, *, window = None, distance = None",
    "dtw_distances": "query, targets, *, window = None, distance = None",
    "hamming_score": PAIR,
    "soundex": "s",
    "soundex_equal": "s1, s2",
    "metaphone": "s, *, variant: int = 0",
    "metaphone_equal": "s1, s2, *, variant: int = 0",
    "nysiis": "s",
    "nysiis_equal": "s1, s2",
    "match_rating_codex": "s",
    "match_rating_compare": "s1, s2",
    "caverphone": "s",
    "double_metaphone": "s, *, max_length: int = 64, variant: int = 0",
    "hamming_normalized_score": PAIR,
    "hamming_scores": BATCH,
    "hamming_normalized_scores": BATCH,
    "indel_score": PAIR,
    "indel_normalized_score": PAIR,
    "indel_scores": BATCH,
    "indel_normalized_scores": BATCH,
    "true_damerau_levenshtein_score": PAIR,
    "true_damerau_levenshtein_normalized_score": PAIR,
    "true_damerau_levenshtein_scores": BATCH,
    "true_damerau_levenshtein_normalized_scores": BATCH,
    "jaro_similarity": PAIR,
    "jaro_winkler_similarity": f"{PAIR}, *, {JW}",
    "jaro_similarities": BATCH,
    "jaro_winkler_similarities": f"{BATCH}, *, {JW}",
    **{f"{m}_top_k": TOPK for m in (
        "levenshtein", "levenshtein_normalized", "damerau_levenshtein", "damerau_levenshtein_normalized",
        "hamming", "hamming_normalized", "indel", "indel_normalized", "true_damerau_levenshtein",
        "true_damerau_levenshtein_normalized", "jaro")},
    "jaro_winkler_top_k": f"query, targets, *, k: int = 5, {JW}",
    "smith_waterman_top_k": "query, targets, *, k: int = 5, " + A.split("*, ")[1],
    "extract": "query, targets, *, scorer: int, k: int = 5",
    "_register_scorer": "fn, scorer_id: int",
    "cdist": f"queries, targets, *, scorer, tqdm = None, cpu_count: int = 1, {JW}",
    "cdist_above_threshold": f"queries, targets, *, scorer, threshold: float, tqdm = None, cpu_count: int = 1, {JW}",
    "cdist_top_k_one_query": f"query, targets, *, scorer: int, k: int, {JW}, pruning: bool = False",
    "cdist_top_k": f"queries, targets, *, scorer, k: int, tqdm = None, cpu_count: int = 1, "
                   f"reject_duplicates: bool = False, {JW}",
}

# Functions that carry a docstring; every other function has none.
DOCUMENTED = {
    "levenshtein_score", "levenshtein_normalized_score", "damerau_levenshtein_score",
    "damerau_levenshtein_normalized_score", "dtw", "hamming_score", "soundex", "soundex_equal", "metaphone",
    "metaphone_equal", "nysiis", "nysiis_equal", "match_rating_codex", "match_rating_compare", "caverphone",
    "double_metaphone", "indel_score", "indel_normalized_score", "true_damerau_levenshtein_score",
    "true_damerau_levenshtein_normalized_score", "jaro_similarity", "jaro_winkler_similarity",
    "levenshtein_top_k", "cdist_top_k_one_query",
}
QUOTED_DOCS = {
    "levenshtein_normalized_score": "Length-normalized Levenshtein similarity in [0, 1] (1 = identical).",
    "damerau_levenshtein_normalized_score": "Length-normalized OSA similarity in [0, 1] (1 = identical).",
    "jaro_similarity": "Jaro similarity in [0, 1] (1 = identical, 0 = no matches in window).",
}
FIRST_LINES = {
    "dtw": "Dynamic Time Warping distance between two numeric ndarrays.",
    "hamming_score": "Hamming distance between two equal-length sequences.",
    "indel_score": "Indel distance (insertions + deletions only, no substitutions).",
    "indel_normalized_score": "Indel similarity in [0, 1] (1 = identical).",
    "true_damerau_levenshtein_score": "True Damerau-Levenshtein edit distance (unrestricted).",
    "true_damerau_levenshtein_normalized_score": "True Damerau-Levenshtein similarity in [0, 1] (1 = identical).",
    "levenshtein_top_k": "Top-k targets by lowest Levenshtein distance (ascending).",
    "cdist_top_k_one_query": "Top-k targets for one query.",
}


def split_params(text):
    params, depth, current = [], 0, ""
    for ch in text:
        if ch in "[(":
            depth += 1
        elif ch in "])":
            depth -= 1
        if ch == "," and depth == 0:
            params.append(current.strip())
            current = ""
        else:
            current += ch
    if current.strip():
        params.append(current.strip())
    return params


def normalise(param, defaults):
    """'name: T = \\N' -> 'name[: T] [= repr(default)]', dropping untyped annotations."""
    m = re.fullmatch(r"(\*|\w+)(?:: ([^=]+?))?(?: = \\(\d+))?", param)
    assert m, param
    name, annotation, default = m.groups()
    out = name
    if annotation and annotation.strip() not in ("object", "object | None"):
        out += f": {annotation.strip()}"
    if default is not None:
        out += f" = {defaults[int(default)]!r}"
    return out


def signature_of(fn):
    (sig, doc, defaults), = fn.__nb_signature__
    m = re.match(r"def \w+\((.*)\) -> ", sig)
    return ", ".join(normalise(p, defaults) for p in split_params(m.group(1))), doc


def registered_functions():
    return [n for n, v in vars(_swar).items() if n in EXPECTED and hasattr(v, "__nb_signature__")]


def expected_signature(text):
    return ", ".join(p.replace(" = ", "=").replace("=", " = ") for p in split_params(text))


@pytest.mark.parametrize("name", registered_functions())
def test_signature(name):
    got, _ = signature_of(getattr(_swar, name))
    # Prepared objects are typed by their class; the table names them only.
    got = re.sub(r"^prepared: [\w.]+", "prepared", got)
    assert got == expected_signature(EXPECTED[name])


@pytest.mark.parametrize("name", registered_functions())
def test_docstring_presence(name):
    _, doc = signature_of(getattr(_swar, name))
    if name not in DOCUMENTED:
        assert doc is None
        return
    assert doc
    if name in QUOTED_DOCS:
        assert doc == QUOTED_DOCS[name]
    if name in FIRST_LINES:
        assert doc.splitlines()[0] == FIRST_LINES[name]


def test_keyword_only_marks_are_enforced():
    if hasattr(_swar, "smith_waterman_score"):
        with pytest.raises(TypeError):
            _swar.smith_waterman_score("a", "a", 2)
    if hasattr(_swar, "levenshtein_top_k"):
        assert _swar.levenshtein_top_k("a", ["a", "b"], 1) is not None
