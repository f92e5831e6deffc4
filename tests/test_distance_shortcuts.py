"""The shortcuts the edit distances take for speed, held against the plain
models: dropping the common prefix and suffix (Levenshtein, OSA, Indel, the
unrestricted Damerau-Levenshtein distance), the bit-parallel Jaro scans
from the target side, the blocked bit-parallel OSA and Indel above 64
symbols, and the query masks a byte batch builds once (which drop a long
query's prefix in whole words). Shapes chosen to break them: every short
pair over a tiny alphabet (each transposition or repeat that straddles
where a prefix or suffix ends), runs of one repeated symbol, transpositions
on the word boundaries at 64 and 128, and edits on either side of them."""

import itertools
import random

import pytest

from reference import levenshtein as lev
from reference.edit_distances import (
    indel,
    jaro,
    jaro_winkler,
    max_length_similarity,
    osa,
    unrestricted_damerau_levenshtein,
)

_swar = pytest.importorskip("veltrocamber._swar")

DISTANCES = {
    "levenshtein_scores": lev.distance,
    "damerau_levenshtein_scores": osa,
    "indel_scores": indel,
    "true_damerau_levenshtein_scores": unrestricted_damerau_levenshtein,
}
SIMILARITIES = {
    "jaro_similarities": jaro,
    "jaro_winkler_similarities": jaro_winkler,
}
MODELS = {**DISTANCES, **SIMILARITIES}
PAIRWISE = {
    "levenshtein_scores": "levenshtein_score",
    "damerau_levenshtein_scores": "damerau_levenshtein_score",
    "indel_scores": "indel_score",
    "true_damerau_levenshtein_scores": "true_damerau_levenshtein_score",
    "jaro_similarities": "jaro_similarity",
    "jaro_winkler_similarities": "jaro_winkler_similarity",
}

# Every text of up to four symbols over three letters.
SHORT = ["".join(p) for n in range(5) for p in itertools.product("abc", repeat=n)]


def wide(text):
    """The same symbols in two-byte str storage (the token road)."""
    return text.replace("a", "\u0100")


@pytest.mark.parametrize("batch_name", sorted(MODELS))
def test_every_short_pair(batch_name):
    # The batch of a byte query runs on masks built once; the wide batch and
    # the pairwise calls take the pair's own road.
    model = MODELS[batch_name]
    batch = getattr(_swar, batch_name)
    pair = getattr(_swar, PAIRWISE[batch_name])
    wide_targets = [wide(t) for t in SHORT]
    for q in SHORT:
        expected = [model(q, t) for t in SHORT]
        assert list(batch(q.encode(), SHORT)) == expected, q
        assert list(batch(wide(q), wide_targets)) == expected, q
        assert [pair(q, t) for t in SHORT] == expected, q


def _swapped(text, i):
    s = list(text)
    s[i], s[i + 1] = s[i + 1], s[i]
    return "".join(s)


@pytest.mark.parametrize("n", [64, 65, 66, 128, 129, 130])
def test_transpositions_on_word_boundaries(n):
    # A swap of positions i, i + 1 with i + 1 on a word's first bit carries
    # the transposition term from one word to the next.
    rng = random.Random(n)
    base = "".join(rng.choice("abcd") for _ in range(n))
    base = base[:62] + "xyzw" + base[66:126] + "pqrs" + base[130:]
    for i in (0, 62, 63, 64, n - 2):
        for j in (i, 126, 127):
            if j + 1 >= n:
                continue
            t = _swapped(_swapped(base, i), j) if j != i else _swapped(base, i)
            for name in ("damerau_levenshtein_scores", "true_damerau_levenshtein_scores", "indel_scores"):
                expected = DISTANCES[name](base, t)
                got = getattr(_swar, name)(base, [t, t.encode(), t + "\u0100"])
                assert list(got[:2]) == [expected, expected], (name, n, i, j)
                assert got[2] == DISTANCES[name](base, t + "\u0100"), (name, n, i, j)


def _edit(text, i, kind):
    if kind == "sub":
        return text[:i] + ("a" if text[i] != "a" else "b") + text[i + 1 :]
    if kind == "del":
        return text[:i] + text[i + 1 :]
    if kind == "ins":
        return text[:i] + "x" + text[i:]
    return _swapped(text, i)


def test_long_batch_queries_after_their_prefix():
    # A byte batch keeps the query's masks whole, so it drops a long query's
    # common prefix in whole words only: what is left then starts on a word
    # boundary and runs one word, or several, from there. Edits at and around
    # the boundaries, alone (a short rest) or with a second edit 70 symbols
    # on (a rest of more than one word).
    rng = random.Random(140)
    q = "".join(rng.choice("abcd") for _ in range(140))
    targets = []
    for i in (0, 1, 63, 64, 65, 127, 128, 138):
        for kind in ("sub", "del", "ins", "swap"):
            t = _edit(q, i, kind)
            targets.append(t)
            if i + 70 < len(t) - 1:
                targets.append(_edit(t, i + 70, "sub"))
    for name in ("levenshtein_scores", "damerau_levenshtein_scores", "indel_scores"):
        expected = [DISTANCES[name](q, t) for t in targets]
        assert list(getattr(_swar, name)(q.encode(), targets)) == expected, name
        if name != "levenshtein_scores":
            continue
        # The cutoff after the trim, on the batch and on the prepared query.
        prepared = _swar._prepare_levenshtein_score(q)
        for c in (0, 1, 2, 3):
            want = [lev.with_cutoff(d, len(q), len(t), c) for d, t in zip(expected, targets)]
            assert list(_swar.levenshtein_scores(q, targets, c)) == want, c
            assert [_swar._levenshtein_score_prepared(prepared, t, c) for t in targets] == want, c


@pytest.mark.parametrize("n", [63, 64, 65, 127, 128, 129])
def test_runs_of_one_symbol(n):
    # Long common prefixes and suffixes that can be cut at many places.
    targets = ["a" * n]
    for i in (0, 1, n // 2, n - 1, n):
        targets.append("a" * i + "b" + "a" * (n - i))
        targets.append("a" * i + "ba" + "a" * (n - i - 1))
        targets.append("a" * i + "a" * (n - i - 1))
    targets.append("ab" * (n // 2))
    targets.append("a" * (n // 2))
    q = "a" * n
    for name, model in MODELS.items():
        expected = [model(q, t) for t in targets]
        assert list(getattr(_swar, name)(q.encode(), targets)) == expected, (name, n)
        assert list(getattr(_swar, name)(wide(q), [wide(t) for t in targets])) == expected, (name, n)


@pytest.mark.parametrize("lq, lt", [(64, 64), (64, 65), (65, 64), (40, 90), (128, 129)])
def test_jaro_scans_on_both_sides_of_one_word(lq, lt):
    # Up to 64 symbols a side the target is scanned against query masks,
    # above it the query against target masks; both must make the matches
    # of the plain query scan, repeats and window edges included.
    rng = random.Random(lq * 1000 + lt)
    for _ in range(20):
        q = "".join(rng.choice("aab") for _ in range(lq))
        t = "".join(rng.choice("abb") for _ in range(lt))
        for a, b in ((q, t), (wide(q), wide(t))):
            assert _swar.jaro_similarity(a, b) == jaro(q, t), (q, t)
            assert _swar.jaro_winkler_similarity(a, b) == jaro_winkler(q, t), (q, t)


@pytest.mark.parametrize("n", [63, 64, 65, 128, 129, 300])
def test_normalized_forms_after_trimming(n):
    # Trimming shortens what the kernel sees, never the length the value is
    # normalised by.
    rng = random.Random(n)
    q = "".join(rng.choice("ab") for _ in range(n))
    t = q[:5] + "c" + q[6:]
    d = osa(q, t) if n < 200 else 1
    assert _swar.damerau_levenshtein_normalized_score(q, t) == max_length_similarity(d, n, n)
    assert _swar.levenshtein_normalized_score(q, t) == max_length_similarity(d, n, n)
    assert _swar.indel_normalized_score(q, t) == 1 - 2 / (2 * n)
