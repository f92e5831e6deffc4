"""The token width tables and kernel members of the OSA, Hamming, Indel,
Jaro and unrestricted Damerau-Levenshtein distances, reached through the
test hooks: every width gives the same answer, the off-diagonal entries
raise their metric's message, and the members on either side of the
64-symbol boundary agree."""

import itertools
import random

import pytest

from reference.edit_distances import (
    common_prefix,
    hamming,
    indel,
    jaro,
    osa,
    random_pairs,
    unrestricted_damerau_levenshtein,
)

WIDTHS = (8, 16, 32, 64)

MESSAGES = {
    "damerau_levenshtein": "damerau_levenshtein: mismatched token widths from preprocess",
    "hamming": "hamming: mismatched token widths from preprocess",
    "indel": "indel: mismatched token widths from preprocess",
    "jaro": "jaro: mismatched token widths from preprocess",
    "jaro_prefix": "jaro: mismatched token widths from preprocess",
    "true_damerau_levenshtein": "true_damerau_levenshtein: mismatched token widths",
}

MODELS = {
    "damerau_levenshtein": osa,
    "hamming": hamming,
    "indel": indel,
    "jaro": jaro,
    "jaro_prefix": lambda a, b: common_prefix(a, b, 4),
    "true_damerau_levenshtein": unrestricted_damerau_levenshtein,
}


@pytest.mark.parametrize("metric", sorted(MESSAGES))
@pytest.mark.parametrize("qw, tw", [p for p in itertools.product(WIDTHS, WIDTHS) if p[0] != p[1]])
def test_off_diagonal_entries_raise(hooks, metric, qw, tw):
    with pytest.raises(RuntimeError, match=f"^{MESSAGES[metric]}$"):
        hooks.edit_distance_tokens(metric, qw, [1, 2], tw, [1, 2])


@pytest.mark.parametrize("metric", sorted(MODELS))
def test_every_width_agrees_with_the_model(hooks, metric):
    rng = random.Random(metric)  # a str seed is deterministic
    for _ in range(40):
        lq = rng.choice([0, 1, 5, 12, 63, 64, 65, 90])
        lt = lq if metric == "hamming" else rng.choice([0, 1, 7, 64, 66])
        alphabet = [1, 2, 3, 200]
        q = [rng.choice(alphabet) for _ in range(lq)]
        t = [rng.choice(alphabet) for _ in range(lt)]
        expected = MODELS[metric](q, t)
        for w in WIDTHS:
            # Spread the values over the width so that the hash maps of the
            # wide members see large keys too.
            shift = w - 8
            qq = [v << shift for v in q]
            tt = [v << shift for v in t]
            assert hooks.edit_distance_tokens(metric, w, qq, w, tt) == expected, (metric, w, q, t)


def test_osa_members_agree(hooks):
    for q, t in random_pairs(11, "bytes", 200, longest=64):
        if q and t:
            assert hooks.osa_single_word(q, t) == hooks.osa_three_row(q, t) == osa(q, t), (q, t)
    assert hooks.osa_single_word(b"abc", b"") == 3
    assert hooks.osa_single_word(b"", b"abc") == 3


def test_indel_members_agree(hooks):
    for q, t in random_pairs(12, "bytes", 200, longest=64):
        if q and t:
            assert hooks.indel_single_word(q, t) == hooks.indel_two_row(q, t) == indel(q, t), (q, t)


def long_byte_pairs(seed, count):
    # Queries of one to four words, targets of any length, few symbols.
    rng = random.Random(seed)
    pairs = []
    for _ in range(count):
        lq = rng.choice([65, 100, 127, 128, 129, 200, 256])
        lt = rng.choice([1, 5, 64, 65, 130, 190, 300])
        pairs.append((bytes(rng.choice(b"abc") for _ in range(lq)), bytes(rng.choice(b"abcd") for _ in range(lt))))
    return pairs


def test_blocked_osa_matches_the_three_row_form(hooks):
    for q, t in long_byte_pairs(21, 40):
        assert hooks.osa_blocked(q, t) == hooks.osa_three_row(q, t), (q, t)
    q = b"ab" * 40
    assert hooks.osa_blocked(q, q[1:] + b"a") == osa(q, q[1:] + b"a")


def test_blocked_indel_matches_the_two_row_form(hooks):
    for q, t in long_byte_pairs(22, 40):
        assert hooks.indel_blocked(q, t) == hooks.indel_two_row(q, t), (q, t)


def test_blocked_jaro_matches_the_scalar_scan(hooks):
    for q, t in long_byte_pairs(23, 40) + random_pairs(24, "bytes", 100, longest=70):
        if q and t:
            assert hooks.jaro_blocked(q, t) == hooks.jaro_scalar(q, t), (q, t)
            assert hooks.jaro_blocked(t, q) == hooks.jaro_scalar(t, q), (t, q)
    q, t = long_byte_pairs(25, 1)[0]
    assert hooks.jaro_blocked(q, t) == jaro(q, t)


BATCHES = [
    ("damerau_levenshtein_score", "damerau_levenshtein_scores"),
    ("damerau_levenshtein_normalized_score", "damerau_levenshtein_normalized_scores"),
    ("indel_score", "indel_scores"),
    ("indel_normalized_score", "indel_normalized_scores"),
    ("jaro_similarity", "jaro_similarities"),
    ("jaro_winkler_similarity", "jaro_winkler_similarities"),
    ("true_damerau_levenshtein_score", "true_damerau_levenshtein_scores"),
    ("true_damerau_levenshtein_normalized_score", "true_damerau_levenshtein_normalized_scores"),
]


@pytest.mark.parametrize("pair_name, batch_name", BATCHES)
@pytest.mark.parametrize("lq", [0, 5, 64, 65, 150])
def test_batches_match_pairs(pair_name, batch_name, lq):
    # A byte-like query has its masks built once per batch; every target,
    # byte-like or not, short or long, must still get the pair's answer.
    from veltrocamber import _swar as sw

    rng = random.Random(lq)
    query = "".join(rng.choice("abc") for _ in range(lq))
    targets = ["".join(rng.choice("abcd") for _ in range(rng.choice([0, 3, 40, 64, 70, 130]))) for _ in range(12)]
    targets += [t.encode() for t in targets[:4]] + [t + "\u0100" for t in targets[4:8]] + [list(targets[8])]
    pair, batch = getattr(sw, pair_name), getattr(sw, batch_name)
    assert list(batch(query, targets)) == [pair(query, t) for t in targets]


@pytest.mark.parametrize(
    "name, model",
    [
        ("damerau_levenshtein_score", osa),
        ("indel_score", indel),
        ("true_damerau_levenshtein_score", unrestricted_damerau_levenshtein),
    ],
)
@pytest.mark.parametrize("wide", [False, True])
def test_edited_copies_with_long_common_affixes(name, model, wide):
    # The kernels drop the common prefix and suffix; edits right at their
    # edges (a transposition straddling where the prefix ends) must count.
    from veltrocamber import _swar as sw

    rng = random.Random(name)
    for _ in range(60):
        base = [rng.choice("abc") for _ in range(rng.choice([3, 20, 70, 140]))]
        edited = list(base)
        for _ in range(rng.randint(1, 3)):
            pos = rng.randrange(len(edited))
            op = rng.randrange(3)
            if op == 0 and pos + 1 < len(edited):
                edited[pos], edited[pos + 1] = edited[pos + 1], edited[pos]
            elif op == 1:
                edited[pos] = rng.choice("abcd")
            else:
                edited.insert(pos, rng.choice("abcd"))
        q, t = "".join(base), "".join(edited)
        if wide:
            q, t = "\u0100" + q + "\u0101", "\u0100" + t + "\u0101"
        assert getattr(sw, name)(q, t) == model(q, t), (q, t)


@pytest.mark.parametrize(
    "name",
    [
        "damerau_levenshtein_score",
        "hamming_normalized_score",
        "indel_score",
        "true_damerau_levenshtein_normalized_score",
        "jaro_winkler_similarity",
    ],
)
def test_none_reaches_input_preparation(name):
    # Arguments are taken as any object, None included, and refused by the
    # function's own checks rather than by the argument conversion.
    from veltrocamber import _swar as sw

    fn = getattr(sw, name)
    with pytest.raises(TypeError) as refused:
        fn(None, "abc")
    assert "incompatible function arguments" not in str(refused.value)
    batch = getattr(sw, name.replace("_score", "_scores").replace("_similarity", "_similarities"))
    with pytest.raises(TypeError, match="^targets must be a sequence of target sequences$"):
        batch("abc", None)
