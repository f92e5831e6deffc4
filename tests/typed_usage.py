"""Typed calls of the public API and the prepared objects, checked by mypy
against the package's stubs.

Each call states the type its result should have; test_module_typed_stubs.py
runs mypy over this file (which must pass) and also runs `typed_calls`, so the
stated types are those the functions really return. `_wrong_calls` is never
run: each of its lines must be an error for mypy, and the `type: ignore`
comments there are reported as unused if the stubs stop refusing them.
"""

from __future__ import annotations

import numpy as np
import numpy.typing as npt

import veltrocamber as vc
from veltrocamber import _cpu, _swar


def typed_calls() -> list[object]:
    query = "GATTACA"
    targets = ["GCATGCT", "GATTACA"]
    series = np.array([1.0, 2.0, 3.0])

    score: int = vc.smith_waterman_score(query, targets[0], gap_open_score=-3, gap_extend_score=-1, width=16)
    global_score: int = vc.needleman_wunsch_score(b"ACGT", b"AGT")
    array_score: int = vc.smith_waterman_score(
        np.array([1, 2, 3]), np.array([1, 3]), gap_open_score=-3, gap_extend_score=-1
    )
    scores: npt.NDArray[np.int64] = vc.smith_waterman_scores(query, targets)
    nw_scores: npt.NDArray[np.int64] = vc.needleman_wunsch_scores(query, iter(targets))
    best: list[tuple[str, int, int]] = vc.smith_waterman_top_k(query, targets, k=1)
    striped: int = vc.smith_waterman_farrar_score(query, targets[0], gap_score=-2)
    striped_scores: npt.NDArray[np.int64] = vc.smith_waterman_farrar_scores(np.array([1, 2]), [np.array([2, 1])])
    result: vc.AlignmentResult = vc.smith_waterman_path(query, targets[0])
    path: vc.AlignmentPath = vc.needleman_wunsch_path_info(["a", "b"], ("a",))
    cigar: str = vc.smith_waterman_cigar(query, targets[0]) + vc.smith_waterman_trace_cigar(query, targets[0])
    global_cigar: str = vc.needleman_wunsch_cigar(query, targets[0]) + vc.smith_waterman_trade_cigar(query, targets[0])
    array_cigar: str = vc.smith_waterman_cigar(np.array([1, 2, 3]), np.array([1, 3])) + global_cigar
    rows: tuple[int, str] = (result.query_end, path.cigar)

    distance: int = vc.levenshtein_score("kitten", "sitting", score_cutoff=2)
    similarity: float = vc.jaro_winkler_similarity("MARTHA", "MARHTA", prefix_weight=0.1)
    distances: npt.NDArray[np.int64] = vc.hamming_scores("abc", ["abd", "abc"])
    similarities: npt.NDArray[np.float64] = vc.indel_normalized_scores([1, 2], [[1], [2, 1]])

    code: str = vc.soundex("Robert") + vc.metaphone(b"Thompson", variant=vc.MetaphoneVariant.ALTERNATIVE)
    codes: tuple[str, str] = vc.double_metaphone("Schmidt", max_length=4)
    same: bool = vc.nysiis_equal("Knight", "Night")

    warped: float = vc.dtw(series, series[::-1].copy(), window=1, distance="l1")
    warped_all: npt.NDArray[np.float64] = vc.dtw_distances(series, [series], window=0.5)

    # The prepared objects, as docs/prepared_objects.md uses them.
    byte_query = _swar._prepare_levenshtein_score("kitten")
    assert byte_query is not None  # None for a query that is not byte text
    query_size: int = byte_query.query_size
    prepared_distances: list[int | None] = [
        _swar._levenshtein_score_prepared(byte_query, t) for t in ["sitting", "kitten", b"mitten", ""]
    ]
    past_cutoff: int | None = _swar._levenshtein_score_prepared(byte_query, "sitting", score_cutoff=1)
    not_byte_text: int | None = _swar._levenshtein_score_prepared(byte_query, "kätzchen€")
    no_query: _swar._PreparedLevenshteinScore | None = _swar._prepare_levenshtein_score(["k", "i"])
    pair: _swar._PreparedAffineScore = _swar._prepare_smith_waterman_affine_score(
        query, targets[0], gap_open_score=-3, gap_extend_score=-1
    )
    array_pair = _swar._prepare_needleman_wunsch_affine_score(np.array([1, 2, 3]), np.array([1, 3]), width=16)
    linear: _swar._PreparedSmithWatermanFarrarScore = _swar._prepare_smith_waterman_farrar_score(query, targets[0])
    pair_scores: list[int] = [
        _swar._smith_waterman_affine_score_prepared(pair),
        _swar._needleman_wunsch_affine_score_prepared(pair),
        _swar._smith_waterman_affine_farrar_score_prepared(pair),
        _swar._needleman_wunsch_affine_score_prepared(array_pair),
        _swar._smith_waterman_farrar_score_prepared(linear),
    ]
    cigar_pair: _swar._PreparedAffineCigar = _swar._prepare_smith_waterman_affine_cigar(
        "ACGTTTTACGT", "ACGTACGT", gap_open_score=-3, gap_extend_score=-1
    )
    prepared_cigars: tuple[str, str] = (
        _swar._smith_waterman_affine_cigar_prepared(cigar_pair),
        _swar._needleman_wunsch_affine_cigar_prepared(_swar._prepare_needleman_wunsch_affine_cigar("BBA", "B")),
    )
    prepared = (query_size, prepared_distances, past_cutoff, not_byte_text, no_query, pair_scores, prepared_cigars)

    nearest: list[tuple[str, int, int]] = vc.levenshtein_top_k("kitten", ["sitting", "mitten"], 1)
    closest: list[tuple[bytes, float, int]] = vc.jaro_winkler_top_k(b"MARTHA", [b"MARHTA"], k=1, prefix_weight=0.2)
    extracted: list[tuple[str, int | float, int]] = vc.extract("kitten", ["mitten"], scorer=vc.Scorer.INDEL, k=1)
    ranked: list[tuple[float, str]] = vc.cdist_top_k_one_query(
        "kitten", ["mitten"], scorer=vc.Scorer.JARO, k=1, pruning=True
    )

    blosum: vc.SubstitutionMatrix = vc.SubstitutionMatrix.blosum62()
    encoded: bytes = blosum.encode("HEAGAWGHEE")
    matrix_score: int = vc.smith_waterman_affine_score_matrix(
        encoded, blosum.encode("PAWHEAE"), blosum.buffer, blosum.stride, -11, -1
    )
    matrix_scores: list[int] = vc.needleman_wunsch_scores_matrix(encoded, [encoded], blosum.buffer, blosum.stride, -4)
    matrix_path: vc.AlignmentPath = vc.smith_waterman_path_info_matrix("\x00\x01", b"\x01", bytes(4), 2)

    kind: _cpu.BackendKind = _cpu.detect_best_backend()
    records: list[_cpu.BackendRecord] = _cpu.available_backends()
    swar: bool = _cpu.backend_is_available(_cpu.BackendKind.SWAR) and records[0].compiled

    return [score, global_score, array_score, scores, nw_scores, best, cigar, rows, distance, similarity,
            distances, similarities, code, codes, same, warped, warped_all, kind, swar, prepared, nearest, closest,
            extracted, ranked, matrix_score, matrix_scores, matrix_path]


def _wrong_calls() -> None:
    vc.levenshtein_score(None, 1)  # type: ignore[arg-type]
    vc.smith_waterman_score("a", "b", gap_open_score=-1.5)  # type: ignore[arg-type]
    vc.soundex(["R", "o"])  # type: ignore[arg-type]
    vc.dtw([1.0], [1.0])  # type: ignore[arg-type]
    vc.dtw(np.array([1.0]), np.array([1.0]), distance="l2")  # type: ignore[arg-type]
    first: str = vc.double_metaphone("x")  # type: ignore[assignment]
    vc.levenshtein_top_k("a", [None])  # type: ignore[type-var]
    vc.smith_waterman_score_matrix([0, 1], b"\x00", bytes(4), 2)  # type: ignore[arg-type]
    vc.smith_waterman_affine_score_matrix(b"", b"", b"", 1, -1)  # type: ignore[call-arg]
    maybe_query = _swar._prepare_levenshtein_score(b"kitten")
    maybe_query.query_size  # type: ignore[union-attr]
    _swar._levenshtein_score_prepared(maybe_query, b"sitting")  # type: ignore[arg-type]
    if maybe_query is not None:
        distance_only: int = _swar._levenshtein_score_prepared(maybe_query, b"sitting")  # type: ignore[assignment]
    affine_pair = _swar._prepare_smith_waterman_affine_score("a", "b")
    _swar._smith_waterman_farrar_score_prepared(affine_pair)  # type: ignore[arg-type]
    _swar._prepare_smith_waterman_affine_cigar("a", "b", width="8")  # type: ignore[arg-type]
    vc.cdist(["a"], ["b"], scorer=vc.Scorer.LEVENSHTEIN)
    unreachable = 1  # type: ignore[unreachable]
