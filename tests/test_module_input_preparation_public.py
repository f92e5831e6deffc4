"""Input preparation as the public entry points see it: the pair roads,
their refusals and the width rule behind a distance, checked against a
plain DP on the code points or object equality."""

import random

import pytest

swar = pytest.importorskip("veltrocamber._swar")

BYTES_VS_STR = "bytes and str inputs cannot be aligned directly against each other"
NDARRAY = (
    "ndarray inputs are only supported on the score-only path (smith_waterman_score / needleman_wunsch_score); "
    "traceback / path / cigar variants do not yet support ndarray inputs"
)
NOT_SEQUENCE = " must be bytes, str, or a sequence of immutable hashable objects"


def plain_levenshtein(a, b):
    prev = list(range(len(b) + 1))
    for i, x in enumerate(a, 1):
        cur = [i]
        for j, y in enumerate(b, 1):
            cur.append(min(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (x != y)))
        prev = cur
    return prev[-1]


# (query, target, what the reference compares for each side)
@pytest.mark.parametrize(
    "query, target, ref_query, ref_target",
    [
        ([1, True], [1.0, 1], [1, 1], [1, 1]),  # one symbol by dictionary equality
        ([0.0], [-0.0], [0], [0]),
        (b"\xe9a", "\xe9a", [0xE9, 0x61], [0xE9, 0x61]),  # bytes against a one-byte str: raw bytes
        ("\U0001F600a", "a", "\U0001F600a", "a"),
        ("\u20ac" * 3, "a\u20ac", "\u20ac" * 3, "a\u20ac"),
        ((x for x in "abc"), "abd", "abc", "abd"),
        (b"ab", [97, 98], [97, 98], [97, 98]),
        ("ab", ["a", "b"], "ab", "ab"),
        ("\ud800x", "x\ud800", "\ud800x", "x\ud800"),
    ],
)
def test_levenshtein_sees_the_prepared_tokens(query, target, ref_query, ref_target):
    assert swar.levenshtein_score(query, target) == plain_levenshtein(ref_query, ref_target)


def test_random_mixed_storage_kinds():
    rng = random.Random(3)
    alphabets = ["ab", "a\u00e9", "a\u20ac", "a\U0001F600"]
    for _ in range(100):
        q = "".join(rng.choice(rng.choice(alphabets)) for _ in range(rng.randrange(0, 70)))
        t = "".join(rng.choice(rng.choice(alphabets)) for _ in range(rng.randrange(0, 70)))
        assert swar.levenshtein_score(q, t) == plain_levenshtein(q, t)


def test_widths_past_the_8_bit_bound():
    # 200 symbols in total need 16-bit cells even though each token fits in 8 bits
    q, t = "ab" * 50 + "\u20ac", "ba" * 50
    assert swar.levenshtein_score(q, t) == plain_levenshtein(q, t)


@pytest.mark.parametrize(
    "make_query, make_target, message",
    [
        (lambda: b"a", lambda: "\u20ac", BYTES_VS_STR),
        (lambda: "\U0001F600", lambda: b"a", BYTES_VS_STR),
        (lambda: bytearray(b"a"), lambda: [1], NDARRAY),
        (lambda: [1], lambda: memoryview(b"a"), NDARRAY),
        (lambda: 5, lambda: "a", "query" + NOT_SEQUENCE),
        (lambda: ["a"], lambda: 5, "target" + NOT_SEQUENCE),
        (lambda: [[1]], lambda: [1], "unhashable type: 'list'"),
    ],
)
def test_refusals_reach_the_caller(make_query, make_target, message):
    with pytest.raises(TypeError) as info:
        swar.levenshtein_score(make_query(), make_target())
    assert str(info.value) == message


def test_numpy_arrays_are_refused_by_the_distances():
    np = pytest.importorskip("numpy")
    with pytest.raises(TypeError) as info:
        swar.levenshtein_score(np.zeros(2, "int32"), np.zeros(2, "int32"))
    assert str(info.value) == NDARRAY
