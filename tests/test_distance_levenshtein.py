"""Levenshtein: kernels, the four entry points, the prepared byte query."""

import random

import numpy as np
import pytest

from veltrocamber import _swar

from reference import levenshtein as ref
from reference.edit_distances import TOKEN_ALPHABETS, token_pairs

MASK64 = (1 << 64) - 1
MISMATCH = "levenshtein: mismatched token widths from preprocess"


# ---------------------------------------------------------------------------
# Random inputs
# ---------------------------------------------------------------------------

ALPHABETS = {
    # kind: (small alphabet, large alphabet)
    "bytes": (b"ab", bytes(range(256))),
    "str1": ("ab", "".join(map(chr, range(1, 256)))),
    "str2": ("a\u0100", "".join(map(chr, range(0x390, 0x3D0))) + "abc \u00e9"),
    "str4": ("a\U0001f600", "ab\u00e9\u0101\U0001f600\U0001f601\U0001f602\U00010000"),
    "objects": ((1, "a"), tuple(range(40)) + ("x", (1, 2), 2.5)),
}

LENGTHS = [0, 1, 2, 7, 31, 63, 64, 65, 66, 100, 127, 128, 129, 191, 192, 193, 250, 300]


def make(kind, symbols):
    if kind == "bytes":
        return bytes(symbols)
    if kind.startswith("str"):
        return "".join(symbols)
    return list(symbols)


def random_sequence(rng, kind, length, large):
    alphabet = ALPHABETS[kind][1 if large else 0]
    return make(kind, [alphabet[rng.randrange(len(alphabet))] for _ in range(length)])


def mutate(rng, kind, seq, edits, large):
    """`seq` with a few random edits: long shared prefixes and suffixes."""
    alphabet = ALPHABETS[kind][1 if large else 0]
    items = list(seq)
    for _ in range(edits):
        op = rng.randrange(3)
        pos = rng.randrange(len(items) + 1)
        sym = alphabet[rng.randrange(len(alphabet))]
        if op == 0 or not items:
            items.insert(pos, sym)
        elif op == 1:
            del items[min(pos, len(items) - 1)]
        else:
            items[min(pos, len(items) - 1)] = sym
    return make(kind, items)


# Pairs of kinds that the entry points accept; bytes against a one-byte str
# takes the byte path, every pair with a wider str or a list the token path.
KIND_PAIRS = [
    ("bytes", "bytes"),
    ("str1", "str1"),
    ("bytes", "str1"),
    ("str1", "bytes"),
    ("str2", "str2"),
    ("str1", "str2"),
    ("str4", "str1"),
    ("str4", "str4"),
    ("objects", "objects"),
    ("str1", "objects"),
]


def random_pairs(seed, count):
    rng = random.Random(seed)
    pairs = []
    for n in range(count):
        qk, tk = KIND_PAIRS[n % len(KIND_PAIRS)]
        large = rng.random() < 0.5
        lq = rng.choice(LENGTHS) if rng.random() < 0.6 else rng.randrange(0, 301)
        q = random_sequence(rng, qk, lq, large)
        if qk == tk and lq and rng.random() < 0.4:
            t = mutate(rng, tk, q, rng.randrange(1, 12), large)
        else:
            lt = rng.choice(LENGTHS) if rng.random() < 0.6 else rng.randrange(0, 301)
            t = random_sequence(rng, tk, lt, large)
        pairs.append((q, t))
    return pairs


def cutoffs_around(d, rng):
    return sorted({None, -1, -2, -(1 << 63), 0, 1, max(d - 1, 0), d, d + 1, rng.randrange(0, 400), (1 << 63) - 1},
                  key=lambda c: (c is not None, c))


# Oracle results are cached per pair, so the dynamic programme runs once.
PAIRS = random_pairs(20240611, 160)
EXPECTED = [ref.distance(*ref.pair_symbols(q, t)) for q, t in PAIRS]


def sizes(q, t):
    return len(q), len(t)


# ---------------------------------------------------------------------------
# Edge cases of the entry points
# ---------------------------------------------------------------------------

EDGE_CASES = [
    # (query, target, score_cutoff, distance)
    ("", "", None, 0),
    ("", "abcdefghij", None, 10),
    ("", "abcdefghij", 2, 10),  # an empty side is never clamped
    ("abcdefghij", b"", 0, 10),
    ("flaw", "lawn", None, 2),
    ("abc", "abc", 0, 0),
    ("abc", "abd", 0, 1),
    ("abcdef", "abcxyz", 3, 3),  # exactly the cutoff
    ("abcdef", "abcxyz", 2, 3),  # above: cutoff + 1
    ("abcdefgh", "abcdefgz", 0, 1),  # the excess shows in the last column only
    ("abc", "xyzw", None, 4),  # no cutoff never stops early
    ("abc", "xyzw", -1, 4),
    ("abcdefgh", "zzzzzzzzzz", -2, 10),  # every negative cutoff means none
    ("abcdefgh", "zzzzzzzzzz", -(1 << 63), 10),
    ("abcdefgh", "zzzzzzzzzz", (1 << 63) - 1, 10),
    (b"abc", "abc", None, 0),  # byte path, mixed kinds
    ("abc", b"abd", None, 1),
    (b"caf\xe9", "caf\u00e9", None, 0),  # the byte 0xE9 is U+00E9
    ("\u0100bc", "abc", None, 1),  # a wider str takes the token path
    ("\u0100bc\u03a9", "", None, 4),
    ([1, 2, 3], [1, 3], None, 1),
    ([1, 1.0, True], [1], None, 2),  # dictionary equality: one symbol
    ("a" * 64, "a" * 63 + "b", None, 1),
    ("a" * 65, "b" + "a" * 64, None, 1),
    ("a" * 65, "b" + "a" * 65, None, 1),
    ("x" * 65, "y" * 65, 5, 6),
]


class Text(str):
    pass


class Data(bytes):
    pass


EDGE_CASES += [
    (Text("caf\u00e9"), Data(b"cafe"), None, 1),  # subclasses count as their base
    (Data(b"abc"), Text("abd"), 0, 1),
]


@pytest.mark.parametrize("query, target, cutoff, expected", EDGE_CASES)
def test_edge_cases(query, target, cutoff, expected):
    assert _swar.levenshtein_score(query, target, cutoff) == expected
    assert _swar.levenshtein_score(query, target, score_cutoff=cutoff) == expected
    la, lb = sizes(query, target)
    got = _swar.levenshtein_normalized_score(query, target, cutoff)
    assert got == ref.similarity(expected, la, lb)


@pytest.mark.parametrize(
    "query, target, cutoff, expected",
    [
        ("", "", None, 1.0),
        ("", "abc", None, 0.0),
        ("abcd", "abce", None, 0.75),
        ("abcd", "abce", 0, 0.75),
        ("abcdefgh", "zzzzzzzzzzzzzzzz", 0, 1 - 1 / 16),  # cutoff 0: 1 - 1/m
        ("abcdefgh", "zzzzzzzzzzzzzzzz", None, 0.0),
        ("\u0100\u0101\u0102", "\u0100\u0101", None, 1 - 1 / 3),  # token lengths
    ],
)
def test_normalized_score(query, target, cutoff, expected):
    assert _swar.levenshtein_normalized_score(query, target, score_cutoff=cutoff) == pytest.approx(expected, abs=0)


def test_mixed_bytes_and_wide_str_is_refused():
    with pytest.raises(TypeError, match="bytes and str inputs cannot be aligned directly"):
        _swar.levenshtein_score(b"abc", "ab\u0100")
    with pytest.raises(TypeError, match="ndarray inputs are only supported"):
        _swar.levenshtein_score(bytearray(b"abc"), b"abc")


def test_cutoff_is_converted_before_the_inputs():
    # The inputs would fail preprocess; the cutoff fails first.
    with pytest.raises(Exception) as caught:
        _swar.levenshtein_score(object(), object(), "x")
    assert not isinstance(caught.value, TypeError) or "must be bytes" not in str(caught.value)
    with pytest.raises(Exception) as caught:
        _swar.levenshtein_scores("a", 5, "x")
    assert "targets must be" not in str(caught.value)
    with pytest.raises(Exception):
        _swar.levenshtein_score("a", "b", 1.5)  # a float is not an integer cutoff
    assert _swar.levenshtein_score("abcd", "wxyz", np.int64(1)) == 2
    assert _swar.levenshtein_score("abcd", "wxyz", True) == 2


def test_docstrings():
    assert _swar.levenshtein_score.__doc__.splitlines()[2] == (
        "Levenshtein edit distance between two sequences (lower is more similar)."
    )
    assert "score_cutoff + 1" in _swar.levenshtein_score.__doc__
    assert _swar.levenshtein_normalized_score.__doc__.splitlines()[2] == (
        "Length-normalized Levenshtein similarity in [0, 1] (1 = identical)."
    )


# ---------------------------------------------------------------------------
# Random pairs against the dynamic programme and rapidfuzz
# ---------------------------------------------------------------------------


def test_random_pairs_against_the_dynamic_programme():
    rng = random.Random(7)
    for (q, t), d in zip(PAIRS, EXPECTED):
        la, lb = sizes(q, t)
        for c in cutoffs_around(d, rng):
            want = ref.with_cutoff(d, la, lb, c)
            assert _swar.levenshtein_score(q, t, c) == want, (q, t, c)
            assert _swar.levenshtein_normalized_score(q, t, c) == ref.similarity(want, la, lb), (q, t, c)


def interned(q, t):
    """Both sides as ints numbering their distinct symbols, so that the peer
    compares exactly what we compare (it would read a one-character str as
    its code point)."""
    numbers = {}
    qs, ts = ref.pair_symbols(q, t)
    return [numbers.setdefault(x, len(numbers)) for x in qs], [numbers.setdefault(x, len(numbers)) for x in ts]


def test_random_pairs_against_rapidfuzz():
    distance = pytest.importorskip("rapidfuzz.distance").Levenshtein.distance
    for q, t in random_pairs(99, 400):
        assert _swar.levenshtein_score(q, t) == distance(*interned(q, t)), (q, t)


@pytest.mark.parametrize("alphabet", TOKEN_ALPHABETS)
def test_token_lists_of_any_alphabet_against_rapidfuzz(alphabet):
    # Few distinct tokens take dense pattern masks, many take sparse ones,
    # read whole or (on the band) a window at a time.
    distance = pytest.importorskip("rapidfuzz.distance").Levenshtein.distance
    for q, t in token_pairs(alphabet, alphabet):
        d = distance(q, t)
        assert _swar.levenshtein_score(q, t) == d, (len(q), len(t))
        for c in (0, d // 2, d - 1):
            assert _swar.levenshtein_score(q, t, c) == min(d, c + 1), (len(q), len(t), c)
        assert _swar.levenshtein_scores(q, [t, q]).tolist() == [d, 0]


def test_pattern_mask_layouts(hooks):
    # Dense rows for a small alphabet or a short sequence, sparse entries for
    # a long sequence of many distinct tokens, at every token width.
    rng = random.Random(5)
    long_text = [rng.randrange(5_000) for _ in range(20_000)]
    for width in (16, 32, 64):
        assert hooks.token_mask_layout([rng.randrange(30) for _ in range(20_000)], width) == "dense"
        assert hooks.token_mask_layout(list(range(2_000)), width) == "dense"
        assert hooks.token_mask_layout(long_text, width) == "sparse"
        assert hooks.token_mask_layout(list(range(20_000)), width) == "sparse"


# ---------------------------------------------------------------------------
# Kernel members, each on its own
# ---------------------------------------------------------------------------

NO_CUTOFF = MASK64

# Cutoffs as the kernels read them (unsigned); values near 2^64 would wrap
# the early-stop test if it ran for them.
def kernel_cutoffs(d, rng):
    return sorted({NO_CUTOFF, NO_CUTOFF - 1, 1 << 63, 0, 1, max(d - 1, 0), d, d + 1, rng.randrange(0, 400)})


def kernel_expected(d, la, lb, c):
    return d if la == 0 or lb == 0 else min(d, c + 1)


BYTE_PAIRS = [(q, t, d) for (q, t), d in zip(PAIRS, EXPECTED) if isinstance(q, bytes) and isinstance(t, bytes)]
BYTE_PAIRS += [
    (b"a" * 64, b"a" * 63 + b"b", 1),
    (b"a" * 65, b"a" * 64 + b"b", 1),
    (b"ab" * 32, b"ba" * 40, ref.distance(b"ab" * 32, b"ba" * 40)),
    (b"abc", b"xyzw", 4),
    (b"", b"abcdefghij", 10),
    (b"abcdefghij", b"", 10),
]


def test_kernel_members_agree(hooks):
    rng = random.Random(3)
    assert hooks.LEVENSHTEIN_NO_CUTOFF == NO_CUTOFF
    for q, t, d in BYTE_PAIRS:
        for c in kernel_cutoffs(d, rng):
            want = kernel_expected(d, len(q), len(t), c)
            if len(q) <= 64:
                assert hooks.levenshtein_single_word(q, t, c) == want, (q, t, c)
            assert hooks.levenshtein_blocked_bytes(q, t, c) == want, (q, t, c)
            for width in (8, 16, 32, 64):
                for entry in (False, True):
                    got = hooks.levenshtein_token_member(list(q), list(t), width, c, entry)
                    assert got == want, (q, t, c, width, entry)


def test_token_members_on_wide_tokens(hooks):
    # Token values that differ only above the low byte must stay distinct.
    q = [0x10000 + 7, 0x20000 + 7, 7, 0x10000 + 7] * 20
    t = [7, 0x20000 + 7, 0x10000 + 7] * 25
    d = ref.distance(q, t)
    for width in (32, 64):
        assert hooks.levenshtein_token_member(q, t, width, NO_CUTOFF) == d
    q64 = [(1 << 63) + i % 5 for i in range(70)]
    t64 = [(1 << 63) + i % 7 for i in range(66)]
    assert hooks.levenshtein_token_member(q64, t64, 64, NO_CUTOFF) == ref.distance(q64, t64)


def long_related_pairs(seed, count, kind="bytes"):
    rng = random.Random(seed)
    pairs = []
    for n in range(count):
        lq = rng.randrange(300, 1500)
        q = random_sequence(rng, kind, lq, n % 2 == 0)
        t = mutate(rng, kind, q, rng.choice([1, 5, 20, 60, 150, 400]), n % 2 == 0)
        if n % 5 == 4:
            t = random_sequence(rng, kind, rng.randrange(lq // 2, lq * 2), n % 2 == 0)
        pairs.append((q, t))
    return pairs


def test_band_is_an_upper_bound_exact_within_it(hooks):
    rng = random.Random(17)
    for q, t in long_related_pairs(4, 12) + [(b"ab" * 40, b"ba" * 40), (b"a" * 65, b"b" * 65)]:
        d = hooks.levenshtein_blocked_bytes(q, t, NO_CUTOFF)
        gap = abs(len(q) - len(t))
        for k in sorted({gap, gap + 1, d - 1, d, d + 1, gap + rng.randrange(0, 300), 32, 64, 65, NO_CUTOFF}):
            if k < gap:
                continue
            got = hooks.levenshtein_banded(q, t, k)
            # Every path of cost up to 2k - gap stays within the band.
            assert got >= d and (got == d or d > 2 * k - gap), (len(q), len(t), d, k, got)


def test_long_pairs_against_rapidfuzz():
    # Long enough for the entry points to run the band, with and without a
    # cutoff, on every road.
    distance = pytest.importorskip("rapidfuzz.distance").Levenshtein.distance
    rng = random.Random(23)
    for kind in ("bytes", "str2", "objects"):
        for q, t in long_related_pairs(len(kind), 8, kind):
            d = distance(*interned(q, t))
            assert _swar.levenshtein_score(q, t) == d
            for c in (0, d // 2, d - 1, d, d + 1, rng.randrange(0, 2000)):
                assert _swar.levenshtein_score(q, t, c) == min(d, c + 1), (len(q), len(t), d, c)
        if kind == "bytes":
            prepared = _swar._prepare_levenshtein_score(q)
            for c in (None, 0, d - 1, d):
                assert _swar._levenshtein_score_prepared(prepared, t, c) == ref.with_cutoff(d, len(q), len(t), c)


def edits_where(rng, q, edits, where):
    """`q` with `edits` random edits spread over it ("even"), or all in its
    first or last tenth, which the growing bands see as a fast or a slow
    pace."""
    lo, hi = {"even": (0, len(q)), "start": (0, len(q) // 10), "end": (len(q) - len(q) // 10, len(q))}[where]
    middle = mutate(rng, "bytes", q[lo:hi], edits, False)
    return q[:lo] + middle + q[hi:]


def test_band_edges_exact_at_every_reach(hooks):
    # Long pairs whose distance lies on either side of what the first bands
    # reach (gap + 64, then doubling), with a length gap on either side, so
    # that each band settles the pair, hands over its bound or gives up.
    rng = random.Random(31)
    for n in (300, 500):
        for target_d in (60, 70, 128, 140):
            for gap in (0, 9, -9):
                q = bytes(rng.choice(b"abcd") for _ in range(n))
                t = edits_where(rng, q, target_d, rng.choice(["even", "start", "end"]))
                t = t + q[:gap] if gap > 0 else t[:gap] if gap < 0 else t
                d = ref.distance(q, t)
                assert _swar.levenshtein_score(q, t) == d, (n, target_d, gap)
                assert _swar.levenshtein_score(t, q) == d
                for c in (d - 1, d, d + 1, (d + abs(len(q) - len(t))) // 2):
                    if c >= 0:
                        assert _swar.levenshtein_score(q, t, c) == min(d, c + 1), (n, d, c)


@pytest.mark.parametrize("where", ["even", "start", "end"])
def test_long_similar_pairs_against_every_word(hooks, where):
    # Thousands of symbols at distances from a few to most of the length:
    # the growing bands against the recurrence on every word and the peer.
    rng = random.Random({"even": 1, "start": 2, "end": 3}[where])
    peer = pytest.importorskip("rapidfuzz.distance").Levenshtein.distance
    for n, edits in ((2000, 5), (3000, 90), (5000, 400), (8000, 1200), (4000, 2500), (6000, 9000)):
        q = bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz ") for _ in range(n))
        t = edits_where(rng, q, edits, where)
        d = hooks.levenshtein_blocked_bytes(q, t, NO_CUTOFF)
        assert peer(q, t) == d
        assert _swar.levenshtein_score(q, t) == d, (n, edits, where)
        assert _swar.levenshtein_score(q.decode(), t.decode()) == d
        for c in (d // 3, d - 1, d, d + 1):
            assert _swar.levenshtein_score(q, t, c) == min(d, c + 1), (n, edits, c)


@pytest.mark.parametrize("widths", [(8, 16), (16, 8), (32, 64), (64, 8)])
def test_mismatched_token_widths(hooks, widths):
    with pytest.raises(RuntimeError, match=f"^{MISMATCH}$"):
        hooks.levenshtein_mismatched_widths(*widths)


# ---------------------------------------------------------------------------
# Batches
# ---------------------------------------------------------------------------


def wide_str(x):
    return isinstance(x, str) and max(map(ord, x), default=0) > 255


def refused(q, t):
    return (isinstance(q, bytes) and wide_str(t)) or (isinstance(t, bytes) and wide_str(q))


def test_batch_matches_pairs_road_by_road():
    rng = random.Random(11)
    for query in [b"kitten" * 20, "kitten", "\u0100kitten", [1, 2, 3, 4], b"", "x" * 64, "x" * 65]:
        targets = [q for q, _ in PAIRS[:30]] + [t for _, t in PAIRS[:30]]
        # bytes against a str wider than one byte is refused
        targets = [t for t in targets if not refused(query, t)]
        targets.append(mutate(rng, "str1", "kitten" * 20, 3, False))
        for c in [None, -3, 0, 2, 40]:
            want = [_swar.levenshtein_score(query, t, c) for t in targets]
            got = _swar.levenshtein_scores(query, targets, c)
            assert got.dtype == np.int64 and got.shape == (len(targets),)
            assert got.tolist() == want
            want_n = [_swar.levenshtein_normalized_score(query, t, c) for t in targets]
            got_n = _swar.levenshtein_normalized_scores(query, targets, score_cutoff=c)
            assert got_n.dtype == np.float64 and got_n.tolist() == want_n


def test_batch_byte_query_with_shared_affixes():
    # The batch reuses the query's masks past a common prefix and suffix.
    rng = random.Random(5)
    for lq in (1, 5, 63, 64, 65, 127, 128, 129, 200):
        query = random_sequence(rng, "bytes", lq, False)
        targets = [mutate(rng, "bytes", query, rng.randrange(0, 6), False) for _ in range(25)]
        targets += [query, query[: lq // 2], b"", query + query]
        distances = [ref.distance(query, t) for t in targets]
        for c in (None, 0, 1, 3):
            want = [ref.with_cutoff(d, lq, len(t), c) for d, t in zip(distances, targets)]
            assert _swar.levenshtein_scores(query, targets, c).tolist() == want


def test_batch_empty_and_text_targets():
    assert _swar.levenshtein_scores("ab", []).dtype == np.int64
    assert _swar.levenshtein_scores("ab", []).shape == (0,)
    assert _swar.levenshtein_normalized_scores("ab", ()).dtype == np.float64
    # A str as targets is the sequence of its characters.
    assert _swar.levenshtein_scores("ab", "ab").tolist() == [1, 1]
    assert _swar.levenshtein_scores("ab", (t for t in ["ab", "b"])).tolist() == [0, 1]


def test_batch_errors_end_the_call():
    with pytest.raises(TypeError, match="^targets must be a sequence of target sequences$"):
        _swar.levenshtein_scores("ab", 5)
    with pytest.raises(TypeError, match="bytes and str inputs cannot be aligned directly"):
        _swar.levenshtein_scores(b"ab", ["ab", "\u0100", "cd"])
    with pytest.raises(TypeError):
        _swar.levenshtein_normalized_scores("ab", ["ab", 5])
    with pytest.raises(TypeError, match="unhashable"):
        _swar.levenshtein_scores([1, 2], [[1], [[2]]])


def test_batch_takes_a_one_shot_query_once():
    targets = [["a", "b", "c"], ["a", "b"], ["x"], "abc"]
    want = [0, 1, 3, 0]
    assert _swar.levenshtein_scores((c for c in "abc"), targets).tolist() == want
    assert _swar.levenshtein_scores(iter(["a", "b", "c"]), targets).tolist() == want
    got = _swar.levenshtein_normalized_scores((c for c in "abc"), targets).tolist()
    assert got == [1.0, 1 - 1 / 3, 0.0, 1.0]


# ---------------------------------------------------------------------------
# Prepared byte queries
# ---------------------------------------------------------------------------


@pytest.mark.parametrize("lq", [64, 65, 1, 128, 129, 300])
def test_prepared_query_agrees_with_levenshtein_score(lq):
    rng = random.Random(lq)
    query = random_sequence(rng, "bytes", lq, lq % 2 == 0)
    prepared = _swar._prepare_levenshtein_score(query)
    assert prepared.single_word is (lq <= 64)
    assert prepared.query_size == lq
    targets = [random_sequence(rng, "bytes", rng.choice(LENGTHS), True) for _ in range(10)]
    targets += [mutate(rng, "bytes", query, k, False) for k in range(8)]
    targets += [query, b"", query.decode("latin-1"), query[:64], query[1:]]
    for t in targets:
        d = _swar.levenshtein_score(query, t)
        for c in cutoffs_around(d, rng):
            assert _swar._levenshtein_score_prepared(prepared, t, c) == _swar.levenshtein_score(query, t, c)
    # a one-byte str query prepares the same way
    text = query.decode("latin-1")
    assert _swar._levenshtein_score_prepared(_swar._prepare_levenshtein_score(text), targets[0]) == (
        _swar.levenshtein_score(query, targets[0])
    )


def test_prepared_edge_cases():
    assert _swar._prepare_levenshtein_score([1, 2]) is None
    assert _swar._prepare_levenshtein_score("ab\u0100") is None
    empty = _swar._prepare_levenshtein_score(b"")
    assert empty.single_word is False and empty.query_size == 0
    assert _swar._levenshtein_score_prepared(empty, "abcdef", 2) == 6
    prepared = _swar._prepare_levenshtein_score("abc")
    # a target that is not byte-like gives None before the cutoff is looked at
    assert _swar._levenshtein_score_prepared(prepared, [1], "not a number") is None
    assert _swar._levenshtein_score_prepared(prepared, "ab\u0100") is None
    with pytest.raises(Exception):
        _swar._levenshtein_score_prepared(prepared, b"abd", "not a number")
    with pytest.raises(TypeError):
        _swar._levenshtein_score_prepared("abc", b"abd")
    with pytest.raises(TypeError):
        _swar._PreparedLevenshteinScore()
    assert _swar._levenshtein_score_prepared(prepared, b"xyzw", -5) == 4
