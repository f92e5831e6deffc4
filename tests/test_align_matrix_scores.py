"""Substitution-matrix scores: the eight *_score_matrix / *_scores_matrix
functions against the plain DP with a matrix lookup, their cell widths, and
their argument checks."""

import random

import pytest

import veltrocamber as vc
from reference import alignment_dp as dp

LINEAR = {
    "smith_waterman_score_matrix": dp.local_linear,
    "needleman_wunsch_score_matrix": dp.global_linear,
}
AFFINE = {
    "smith_waterman_affine_score_matrix": dp.local_affine,
    "needleman_wunsch_affine_score_matrix": dp.global_affine,
}
PLURAL = {
    "smith_waterman_score_matrix": "smith_waterman_scores_matrix",
    "needleman_wunsch_score_matrix": "needleman_wunsch_scores_matrix",
    "smith_waterman_affine_score_matrix": "smith_waterman_affine_scores_matrix",
    "needleman_wunsch_affine_score_matrix": "needleman_wunsch_affine_scores_matrix",
}

BLOSUM62 = vc.SubstitutionMatrix.blosum62()


def lookup(buffer, stride):
    """The substitution function of a matrix buffer, entries read as signed bytes."""
    return lambda a, b: (buffer[a * stride + b] ^ 0x80) - 0x80


def random_matrix(rng, stride):
    entries = [rng.randint(-128, 127) for _ in range(stride * stride)]
    entries[rng.randrange(len(entries))] = -128
    entries[rng.randrange(len(entries))] = 127
    return bytes(v & 0xFF for v in entries)


def random_case(rng):
    """(query codes, target codes, matrix buffer, stride) over 4 or 24 symbols."""
    kind = rng.choice(["dna", "protein", "blosum"])
    if kind == "blosum":
        stride, buffer = BLOSUM62.stride, BLOSUM62.buffer
    else:
        stride = 4 if kind == "dna" else 24
        buffer = random_matrix(rng, stride) if rng.random() < 0.5 else bytes(
            (rng.randint(-6, 8) & 0xFF) for _ in range(stride * stride))
    q = bytes(rng.randrange(stride) for _ in range(rng.randint(0, 60)))
    t = bytes(rng.randrange(stride) for _ in range(rng.randint(0, 60)))
    return q, t, buffer, stride


@pytest.mark.parametrize("name", sorted(LINEAR))
def test_linear_scores_match_the_plain_dp(name):
    rng = random.Random(name)
    for _ in range(60):
        q, t, buffer, stride = random_case(rng)
        gap = rng.choice([-1, -4, -11, -130, 0, 1, 3])
        expected = LINEAR[name](q, t, lookup(buffer, stride), None, gap)
        assert getattr(vc, name)(q, t, buffer, stride, gap) == expected, (q, t, stride, gap)


@pytest.mark.parametrize("name", sorted(AFFINE))
def test_affine_scores_match_the_plain_dp(name):
    rng = random.Random(name)
    for _ in range(50):
        q, t, buffer, stride = random_case(rng)
        gap_open, gap_extend = rng.choice([(-11, -1), (-5, -2), (-1, -3), (-200, -1), (2, -1), (-3, 1), (0, 0)])
        expected = AFFINE[name](q, t, lookup(buffer, stride), None, gap_open, gap_extend)
        assert getattr(vc, name)(q, t, buffer, stride, gap_open, gap_extend) == expected, (q, t, stride)


@pytest.mark.parametrize("single", sorted(PLURAL))
def test_plural_forms_score_each_target_like_the_single_form(single):
    rng = random.Random(single)
    gaps = (-11, -1) if "affine" in single else (-2,)
    q = bytes(rng.randrange(24) for _ in range(30))
    targets = [bytes(rng.randrange(24) for _ in range(rng.randint(0, 50))) for _ in range(20)]
    targets.append(bytes(rng.randrange(24) for _ in range(7)).decode("latin-1"))  # a one-byte str
    scores = getattr(vc, PLURAL[single])(q, targets, BLOSUM62.buffer, 24, *gaps)
    assert type(scores) is list and all(type(s) is int for s in scores)
    assert scores == [getattr(vc, single)(q, t, BLOSUM62.buffer, 24, *gaps) for t in targets]
    assert getattr(vc, PLURAL[single])(q, tuple(targets), BLOSUM62.buffer, 24, *gaps) == scores
    assert getattr(vc, PLURAL[single])(q, iter(targets), BLOSUM62.buffer, 24, *gaps) == scores


IDENTITY_LIKE = bytes((2 if r == c else -1) & 0xFF for r in range(4) for c in range(4))


@pytest.mark.parametrize("name", sorted(LINEAR) + sorted(AFFINE))
def test_worked_examples(name):
    gaps = (-1, -1) if "affine" in name else (-1,)
    fn = getattr(vc, name)
    assert fn(b"\x00\x01\x02", b"\x00\x01\x02", IDENTITY_LIKE, 4, *gaps) == 6
    # Query and target as one-byte str, subclasses and non-ASCII codes included.
    class Codes(str):
        pass
    assert fn(Codes("\x00\x01\x02"), "\x00\x01\x02", IDENTITY_LIKE.decode("latin-1"), 4, *gaps) == 6
    big = bytes([200]) * 2
    assert fn("\xc8\xc8", big, bytes(201 * 201), 201, *gaps) == 0


def test_entries_are_signed_bytes_and_empty_sides_follow_the_borders():
    minus_one = bytes([0xFF])
    assert vc.needleman_wunsch_score_matrix(b"\x00", b"\x00", minus_one, 1, -5) == -1
    assert vc.smith_waterman_score_matrix(b"\x00", b"\x00", bytes([0x80]), 1, -1) == 0
    assert vc.needleman_wunsch_score_matrix(b"\x00", b"\x00", bytes([0x80]), 1, -100) == -128
    assert vc.needleman_wunsch_score_matrix(b"\x00" * 5, b"", minus_one, 1, -3) == -15
    assert vc.needleman_wunsch_affine_score_matrix(b"", b"\x00" * 4, minus_one, 1, -5, -2) == -11
    assert vc.needleman_wunsch_affine_score_matrix(b"", b"", minus_one, 1, -5, -2) == 0
    for name in ("smith_waterman_score_matrix", "smith_waterman_affine_score_matrix"):
        gaps = (-5, -2) if "affine" in name else (-5,)
        assert getattr(vc, name)(b"", b"\x00\x00", bytes([9]), 1, *gaps) == 0


# Bounds right at each width's limit: a global alignment of one query symbol
# with an empty target scores exactly the gap, which is the bound, so a cell
# one width too narrow would wrap.
WIDTH_LIMITS = [127, 128, 0x7FFF, 0x8000, 0x7FFFFFFF, 0x80000000]


@pytest.mark.parametrize("bound", WIDTH_LIMITS)
def test_cell_width_limits_hold_their_scores(bound):
    assert vc.needleman_wunsch_score_matrix(b"\x00", b"", b"\x00", 1, bound) == bound
    assert vc.needleman_wunsch_score_matrix(b"\x00", b"", b"\x00", 1, -bound) == -bound
    # The paths pick their cell width by the same bound.
    assert vc.needleman_wunsch_path_info_matrix(b"\x00", b"", b"\x00", 1, bound).score == bound
    assert vc.needleman_wunsch_affine_path_info_matrix(b"", b"\x00", b"\x00", 1, -bound, -1).score == -bound
    assert vc.smith_waterman_affine_path_info_matrix(b"\x00", b"\x00\x00", b"\x00", 1, bound // 3,
                                                     bound // 3).score == 2 * (bound // 3)
    # All gaps: L + M symbols each gaining gap = bound / (L + M); a local
    # path cannot start on the border, so it has one gap less.
    for total in (2, 7, 127):
        if bound % total == 0:
            half = total // 2
            q, t, gap = bytes(half), bytes(total - half), bound // total
            assert vc.needleman_wunsch_score_matrix(q, t, b"\x00", 1, gap) == bound
            assert vc.smith_waterman_score_matrix(q, t, b"\x00", 1, gap) == bound - gap


TYPE_MESSAGES = {
    "linear": "matrix-mode alignment expects byte-compatible inputs (bytes or 1-byte unicode); use "
              "SubstitutionMatrix.encode to map sequences to alphabet indices.",
    "affine": "matrix-mode affine alignment expects byte-compatible inputs (bytes or 1-byte unicode); use "
              "SubstitutionMatrix.encode to map sequences to alphabet indices.",
    "path": "matrix-mode traceback expects byte-compatible inputs (bytes or 1-byte unicode); use "
            "SubstitutionMatrix.encode to map sequences to alphabet indices.",
    "affine path": "matrix-mode affine traceback expects byte-compatible inputs (bytes or 1-byte unicode); use "
                   "SubstitutionMatrix.encode to map sequences to alphabet indices.",
}

# Ends the message of an index at or above the stride, the usual sign of a
# sequence passed as letters.
ENCODE_HINT = "; use SubstitutionMatrix.encode to map sequences to alphabet indices"

FUNCTIONS = [  # (name, family, gap arguments)
    ("smith_waterman_score_matrix", "linear", (-1,)),
    ("needleman_wunsch_score_matrix", "linear", (-1,)),
    ("smith_waterman_affine_score_matrix", "affine", (-3, -1)),
    ("needleman_wunsch_affine_score_matrix", "affine", (-3, -1)),
    ("smith_waterman_path_info_matrix", "path", (-1,)),
    ("needleman_wunsch_path_info_matrix", "path", (-1,)),
    ("smith_waterman_affine_path_info_matrix", "affine path", (-3, -1)),
    ("needleman_wunsch_affine_path_info_matrix", "affine path", (-3, -1)),
]
NOT_BYTES = [bytearray(b"\x00"), memoryview(b"\x00"), [0], "\u0100", None, 0]


@pytest.mark.parametrize("name, family, gaps", FUNCTIONS)
def test_error_table(name, family, gaps):
    fn = getattr(vc, name)
    good = (b"\x00\x01", b"\x01", bytes(4), 2)
    for position in range(3):
        for wrong in NOT_BYTES:
            args = list(good)
            args[position] = wrong
            with pytest.raises(TypeError) as info:
                fn(*args, *gaps)
            assert str(info.value) == TYPE_MESSAGES[family]
    # The type of all three is checked before the size.
    with pytest.raises(TypeError):
        fn(b"\x00", bytearray(), bytes(3), 2, *gaps)
    with pytest.raises(ValueError, match=r"^matrix buffer size 3 does not match stride \* stride = 4$"):
        fn(b"\x00", b"\x00", bytes(3), 2, *gaps)
    # stride * stride in full: 2**32 squared must not wrap to an empty matrix.
    with pytest.raises(ValueError, match=r"^matrix buffer size 0 does not match stride \* stride = "
                                         r"18446744073709551616$"):
        fn(b"\x01", b"\x01", b"", 2**32, *gaps)
    with pytest.raises(ValueError, match=r"= 340282366920938463426481119284349108225$"):
        fn(b"\x01", b"\x01", b"", 2**64 - 1, *gaps)
    # A code at or above the stride would index outside the matrix.
    with pytest.raises(ValueError) as info:
        fn(b"\x00\x05", b"\x00", bytes(4), 2, *gaps)
    assert str(info.value) == f"{name}: code 5 at index 1 of query_indices is not below stride 2" + ENCODE_HINT
    with pytest.raises(ValueError) as info:
        fn(b"\x00", b"\x01\x00\x02", bytes(4), 2, *gaps)
    assert str(info.value) == f"{name}: code 2 at index 2 of target_indices is not below stride 2" + ENCODE_HINT
    with pytest.raises(ValueError, match="code 0 at index 0 of query_indices is not below stride 0"):
        fn(b"\x00", b"", b"", 0, *gaps)
    # A protein given as its letters: "H" is code 72, past BLOSUM62's 24 symbols.
    blosum = vc.SubstitutionMatrix.blosum62()
    with pytest.raises(ValueError) as info:
        fn("HEAG", blosum.encode("HEAG"), blosum.buffer, blosum.stride, *gaps)
    assert str(info.value) == f"{name}: code 72 at index 0 of query_indices is not below stride 24" + ENCODE_HINT
    assert fn(b"", b"", b"", 0, *gaps) is not None
    # stride and the gaps are nanobind's: negative, float or out of range
    # do not match the signature.
    for stride in (-1, 2.0, 2**64):
        with pytest.raises(TypeError, match="incompatible function arguments"):
            fn(b"\x00", b"\x00", bytes(4), stride, *gaps)
    with pytest.raises(TypeError, match="incompatible function arguments"):
        fn(b"\x00", b"\x00", bytes(4), 2, *([1.5] * len(gaps)))
    with pytest.raises(TypeError, match="incompatible function arguments"):
        fn(b"\x00", b"\x00", bytes(4), 2, *([2**63] * len(gaps)))


@pytest.mark.parametrize("name", ["smith_waterman_score_matrix", "needleman_wunsch_score_matrix",
                                  "smith_waterman_path_info_matrix", "needleman_wunsch_path_info_matrix"])
def test_linear_bound_beyond_63_bits_raises(name):
    # Four symbols and a gap of -2**62 make a bound of 2**64: it must not wrap
    # to a narrow width that cuts the gap to 0.
    with pytest.raises(OverflowError, match="^alignment score bound exceeds the 64-bit kernel capacity$"):
        getattr(vc, name)(b"\x00\x00", b"\x01\x01", bytes([2, 255, 255, 2]), 2, gap_score=-2**62)
    with pytest.raises(OverflowError):
        getattr(vc, name)(b"\x00", b"\x01", bytes([2, 255, 255, 2]), 2, gap_score=-2**62)
    # 2**63 - 1 still runs.
    result = getattr(vc, name)(b"\x00", b"", bytes([2, 255, 255, 2]), 2, gap_score=-(2**63 - 1))
    score = result if isinstance(result, int) else result.score
    assert score == (0 if name.startswith("smith") else -(2**63 - 1))


@pytest.mark.parametrize("name", ["smith_waterman_affine_score_matrix", "needleman_wunsch_affine_score_matrix",
                                  "smith_waterman_affine_path_info_matrix",
                                  "needleman_wunsch_affine_path_info_matrix"])
def test_affine_bound_from_2_to_the_60_raises(name):
    fn = getattr(vc, name)
    with pytest.raises(OverflowError, match="^alignment score bound exceeds the 64-bit kernel capacity$"):
        fn(b"\x01\x00", b"\x00", bytes([2, 255, 255, 2]), 2, -2**60, -1)
    with pytest.raises(OverflowError):
        fn(b"\x01\x00", b"\x00", bytes([2, 255, 255, 2]), 2, -1, 2**59)
    # Just below: three symbols, bound 3 * (2**60 // 3) < 2**60, exact.
    g = 2**60 // 3
    result = fn(b"\x01\x00", b"\x00", bytes([2, 255, 255, 2]), 2, -g, -1)
    score = result if isinstance(result, int) else result.score
    assert score == (2 if name.startswith("smith") else 2 - g)


@pytest.mark.parametrize("single", sorted(PLURAL))
def test_plural_argument_rules(single):
    fn = getattr(vc, PLURAL[single])
    family = "affine" if "affine" in single else "linear"
    gaps = (-3, -1) if family == "affine" else (-1,)
    # No target: no check of the query or the matrix at all.
    assert fn(None, [], None, 7, *gaps) == []
    assert fn(bytearray(), (), b"", 3, *gaps) == []
    # A str of targets is a sequence of one-character targets.
    one = getattr(vc, single)
    matrix = bytes([3, 0, 0, 3])
    assert fn("\x00", "\x00\x01", matrix, 2, *gaps) == [one("\x00", c, matrix, 2, *gaps) for c in "\x00\x01"]
    # bytes of targets yields ints.
    with pytest.raises(TypeError) as info:
        fn(b"\x00", b"\x00", bytes(1), 1, *gaps)
    assert str(info.value) == TYPE_MESSAGES[family]
    with pytest.raises(TypeError, match="^targets must be a sequence of target sequences$"):
        fn(b"\x00", 5, bytes(1), 1, *gaps)
    # Per target: query, then the target, then the matrix; the first failure ends the call.
    with pytest.raises(TypeError):
        fn(b"\x00", [bytearray(b"\x00")], bytes(3), 2, *gaps)
    with pytest.raises(ValueError, match="matrix buffer size 3"):
        fn(b"\x00", [b"\x00", bytearray(b"\x00")], bytes(3), 2, *gaps)
    with pytest.raises(TypeError):
        fn(b"\x00", [b"\x00", bytearray(b"\x00")], bytes(4), 2, *gaps)
    with pytest.raises(ValueError) as info:
        fn(b"\x00", [b"\x00", b"\x00\x00\x07"], bytes(4), 2, *gaps)
    assert str(info.value) == f"{PLURAL[single]}: code 7 at index 2 of targets[1] is not below stride 2" + ENCODE_HINT
