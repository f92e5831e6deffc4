"""SWAR lane operations, striped profiles and the striped local and global
kernels, through the test hooks, against the plain dynamic programmes."""

import random

import pytest

from reference import alignment_dp as dp

hooks = pytest.importorskip("veltrocamber._testhooks")

LANE_WIDTHS = (8, 16, 32)
LIMIT = {8: 127, 16: 0x7FFF, 32: 2**31 - 1}


def lanes(width, values):
    """Packs signed lane values, lane 0 first, into one word."""
    mask = (1 << width) - 1
    return sum((v & mask) << (k * width) for k, v in enumerate(values))


def unpack(width, word):
    out = []
    for k in range(64 // width):
        v = (word >> (k * width)) & ((1 << width) - 1)
        out.append(v - (1 << width) if v >> (width - 1) else v)
    return out


# ---- lane operations ------------------------------------------------------


def test_add_wraps_per_lane_without_carry():
    a = lanes(8, [0x7F, 5, -1, 0, 0, 0, 0, -128])
    b = lanes(8, [1, 5, 1, 0, 0, 0, 0, -1])
    assert unpack(8, hooks.swar_op("add", 8, a, b)) == [-128, 10, 0, 0, 0, 0, 0, 127]


@pytest.mark.parametrize("width", LANE_WIDTHS)
def test_lane_operations_match_per_lane_arithmetic(width):
    rng = random.Random(width)
    n = 64 // width
    lo, hi = -(1 << (width - 1)), (1 << (width - 1)) - 1
    for _ in range(300):
        a = [rng.choice([lo, hi, 0, -1, 1, rng.randint(lo, hi)]) for _ in range(n)]
        b = [rng.choice([lo, hi, 0, -1, 1, rng.randint(lo, hi)]) for _ in range(n)]
        wa, wb = lanes(width, a), lanes(width, b)
        assert unpack(width, hooks.swar_op("max", width, wa, wb)) == [max(x, y) for x, y in zip(a, b)]
        assert unpack(width, hooks.swar_op("greater", width, wa, wb)) == [-1 if x > y else 0 for x, y in zip(a, b)]
        assert unpack(width, hooks.swar_op("floor0", width, wa, 0)) == [max(x, 0) for x in a]
        wrap = lambda v: (v - lo) % (1 << width) + lo  # noqa: E731
        assert unpack(width, hooks.swar_op("guarded_add", width, wa, wb)) == [
            x if x == lo else wrap(x + y) for x, y in zip(a, b)]
        assert hooks.swar_op("any_positive", width, wa, 0) == any(x > 0 for x in a)
        assert hooks.swar_op("hmax", width, wa, 0) == max([max(a[0], 0)] + a[1:])
        assert unpack(width, hooks.swar_op("shift_up", width, wa, 0)) == [0] + a[:-1]


@pytest.mark.parametrize("width", LANE_WIDTHS)
def test_non_negative_lane_operations_at_the_lane_edges(width):
    # The floored local kernels keep every lane in [0, 2^(w-1)); their
    # operations borrow into the free sign bit, so the extremes of that
    # range (and a subtrahend of exactly 2^(w-1)) are where a borrow or carry
    # would leak into the neighbouring lane.
    rng = random.Random(40 + width)
    n = 64 // width
    hi = (1 << (width - 1)) - 1
    pick = lambda: rng.choice([0, 1, hi, hi - 1, rng.randint(0, hi)])  # noqa: E731
    for _ in range(300):
        a = [pick() for _ in range(n)]
        b = [pick() for _ in range(n)]
        c = [rng.choice([0, 1, hi, hi + 1, rng.randint(0, hi + 1)]) for _ in range(n)]
        wa, wb = lanes(width, a), lanes(width, b)
        wc = sum(v << (k * width) for k, v in enumerate(c))
        assert unpack(width, hooks.swar_op("nonneg_max", width, wa, wb)) == [max(x, y) for x, y in zip(a, b)]
        assert unpack(width, hooks.swar_op("nonneg_sub_floor0", width, wa, wc)) == [
            max(x - y, 0) for x, y in zip(a, c)]
        raised, rose = hooks.swar_op("nonneg_raise", width, wa, wb)
        assert unpack(width, raised) == [max(x, y) for x, y in zip(a, b)]
        assert rose == any(y > x for x, y in zip(a, b))
        assert hooks.swar_op("nonneg_all_ge", width, wa, wb) == all(x >= y for x, y in zip(a, b))
        # a signed addend whose sum stays inside the signed lane range; the
        # lane minimum (profile padding) always gives 0
        s = [rng.choice([-(1 << (width - 1)), -x, -x - 1 if x < hi else -x, hi - x, rng.randint(-x, hi - x)])
             for x in a]
        expected = [0 if y == -(1 << (width - 1)) else max(x + y, 0) for x, y in zip(a, s)]
        assert unpack(width, hooks.swar_op("nonneg_add_signed_floor0", width, wa, lanes(width, s))) == expected
        s = [rng.choice([-x, hi - x, rng.randint(-x, hi - x)]) for x in a]
        assert unpack(width, hooks.swar_op("nonneg_add_signed", width, wa, lanes(width, s))) == [
            x + y for x, y in zip(a, s)]


def test_splat_and_shift_up_drop_the_top_lane():
    assert hooks.swar_op("splat", 16, -2 & (2**64 - 1), 0) == 0xFFFEFFFEFFFEFFFE
    word = lanes(8, [1, 2, 3, 4, 5, 6, 7, 9])
    assert unpack(8, hooks.swar_op("shift_up", 8, word, 0)) == [0, 1, 2, 3, 4, 5, 6, 7]


# ---- profiles ---------------------------------------------------------------


def test_profile_layout_stripes_the_query_and_pads_with_the_lane_minimum():
    # query of 9 symbols on 8-bit lanes: S = 2, positions 9..15 are padding;
    # one row per distinct query symbol (A..H), then one for every other code
    q = list(b"ABCDEFGHA")
    segs, rows, offsets, prof = hooks.striped_profile_layout(8, q, list(b"ABAZ"), 2, -1)
    assert segs == 2
    assert [rows[c] for c in b"ABCDEFGH"] == list(range(8))
    assert all(r == 8 for i, r in enumerate(rows) if i not in b"ABCDEFGH")
    assert offsets == [0, 16, 0, 8 * 16]
    assert len(prof) == 9 * 16
    for r, symbol in enumerate(list(b"ABCDEFGH") + [None]):
        for i in range(2):
            for k in range(8):
                p = k * 2 + i
                expected = -128 if p >= 9 else (2 if q[p] == symbol else -1)
                assert prof[r * 16 + i * 8 + k] == expected


def test_empty_side_builds_nothing():
    for q, t in [([], list(b"AB")), (list(b"AB"), [])]:
        segs, rows, offsets, prof = hooks.striped_profile_layout(16, q, t, 2, -1)
        assert (segs, offsets, prof) == (0, [], [])
        assert set(rows) == {0xFFFF}


# ---- kernels ----------------------------------------------------------------

DNA = list(b"ACGT")
PROTEIN = list(b"ACDEFGHIKLMNPQRSTVWY")


def cases(seed, width, count, max_len, alphabet, lo=-4, hi=4, gaps_non_positive=False):
    rng = random.Random(seed)
    out = []
    while len(out) < count:
        q = [rng.choice(alphabet) for _ in range(rng.randint(0, max_len))]
        t = [rng.choice(alphabet) for _ in range(rng.randint(0, max_len))]
        m, x = rng.randint(lo, hi), rng.randint(lo, hi)
        o, e = rng.randint(lo, hi), rng.randint(lo, hi)
        if gaps_non_positive:
            o, e = -abs(o), -abs(e)
        if max(abs(m), abs(x), abs(o), abs(e)) * (len(q) + len(t)) <= LIMIT[width]:
            out.append((q, t, m, x, o, e))
    return out


@pytest.mark.parametrize("width", LANE_WIDTHS)
@pytest.mark.parametrize("alphabet", [DNA, PROTEIN], ids=["dna", "protein"])
def test_local_kernels_match_reference_for_non_positive_gaps(width, alphabet):
    # Both signs of match and mismatch; every correction mode (open vs extend).
    max_len = 40 if width == 8 else 70
    for q, t, m, x, o, e in cases(width, width, 150, max_len, alphabet, gaps_non_positive=True):
        assert hooks.striped_local_affine(width, q, t, m, x, o, e) == dp.local_affine(q, t, m, x, o, e)
        first, second, _ = hooks.striped_local_linear(width, q, t, m, x, o)
        assert first == second == dp.local_linear(q, t, m, x, o)


@pytest.mark.parametrize("width", LANE_WIDTHS)
@pytest.mark.parametrize("alphabet", [DNA, PROTEIN], ids=["dna", "protein"])
def test_global_kernel_matches_reference_for_any_gap_sign(width, alphabet):
    max_len = 40 if width == 8 else 70
    for q, t, m, x, o, e in cases(width + 1, width, 150, max_len, alphabet):
        assert hooks.striped_global_affine(width, q, t, m, x, o, e) == (dp.global_affine(q, t, m, x, o, e),) * 2


@pytest.mark.parametrize("width", LANE_WIDTHS)
def test_global_variants_agree_on_full_columns(width):
    rng = random.Random(3)
    lanes_per_word = 64 // width
    for segs in (1, 2, 5):
        n = lanes_per_word * segs
        q = [rng.choice(DNA) for _ in range(n)]
        for t in ([rng.choice(DNA) for _ in range(n)], [rng.choice(DNA) for _ in range(n + 3)], []):
            for o, e in ((-3, -1), (-1, -2), (1, -1)):
                if max(3, abs(o)) * (len(q) + len(t)) > LIMIT[width]:
                    continue
                ref = dp.global_affine(q, t, 2, -3, o, e)
                assert hooks.striped_global_affine(width, q, t, 2, -3, o, e, "full")[0] == ref
                assert hooks.striped_global_affine(width, q, t, 2, -3, o, e, "padded")[0] == ref
                if len(t) == n:
                    assert hooks.striped_global_affine(width, q, t, 2, -3, o, e, "square")[0] == ref


def test_long_sequences_cross_many_segments():
    rng = random.Random(9)
    q = [rng.choice(DNA) for _ in range(300)]
    t = q[:120] + [rng.choice(DNA) for _ in range(30)] + q[150:290]
    for width in (16, 32):
        assert hooks.striped_local_affine(width, q, t, 2, -3, -5, -2) == dp.local_affine(q, t, 2, -3, -5, -2)
        assert hooks.striped_local_linear(width, q, t, 2, -3, -2)[0] == dp.local_linear(q, t, 2, -3, -2)
        assert hooks.striped_global_affine(width, q, t, 2, -3, -5, -2)[0] == dp.global_affine(q, t, 2, -3, -5, -2)


@pytest.mark.parametrize("width", LANE_WIDTHS)
def test_documented_examples(width):
    sw = hooks.striped_local_affine
    assert sw(width, list(b"ACGT"), list(b"ACGT"), 2, -1, -3, -1) == 8
    assert sw(width, list(b"ACGTTACG"), list(b"ACGACG"), 2, -1, -3, -1) == 8
    assert hooks.striped_local_linear(width, list(b"ACGTTACG"), list(b"ACGACG"), 2, -1, -1)[0] == 10
    assert sw(width, list(b"AAAAAAAAA"), list(b"A"), 2, -1, -1, -3) == 2
    # vertical gaps that cross a lane boundary
    assert sw(width, list(b"CACACCCAA"), list(b"AACAA"), 3, -3, -2, -1) == 10
    assert sw(width, list(b"CACCACCACA"), list(b"AA"), 3, -3, -1, -2) == 5
    assert hooks.striped_local_linear(width, list(b"CACACCACC"), list(b"AAAAA"), 3, -3, -1)[0] == 6
    # one symbol each: max(match or mismatch, 2 * open)
    assert hooks.striped_global_affine(width, [1], [2], 2, -1, -3, -1)[0] == -1
    assert hooks.striped_global_affine(width, [1], [2], 2, -9, -3, -1)[0] == -6
    assert hooks.striped_global_affine(width, [], list(b"ACGT"), 2, -1, -3, -1)[0] == -6
    assert hooks.striped_global_affine(width, [], [], 2, -1, -3, -1)[0] == 0


@pytest.mark.parametrize("width", LANE_WIDTHS)
def test_positive_mismatch_does_not_run_past_the_query(width):
    # Padding lanes scored with a positive mismatch would let the score grow
    # along the diagonal past the end of the query (4 here).
    assert hooks.striped_local_affine(width, list(b"A"), list(b"BBBB"), 2, 1, -3, -1) == 1
    assert hooks.striped_local_linear(width, list(b"AB"), list(b"CCCCCC"), 2, 1, -3)[0] == 2
    rng = random.Random(width)
    for _ in range(50):
        q = [rng.choice(DNA) for _ in range(rng.randint(1, 11))]
        t = [rng.choice(DNA) for _ in range(rng.randint(1, 20))]
        assert hooks.striped_local_affine(width, q, t, 1, 2, -3, -1) == dp.local_affine(q, t, 1, 2, -3, -1)


@pytest.mark.parametrize("width", LANE_WIDTHS)
def test_similar_sequences_where_the_correction_sweep_settles_early(width):
    # Mutated copies with indels give long vertical gaps that the single
    # closed-form sweep must carry, and columns where it stops partway.
    rng = random.Random(50 + width)
    checked = 0
    while checked < 80:
        q = [rng.choice(DNA) for _ in range(rng.randint(1, 60))]
        t = [c if rng.random() > 0.15 else rng.choice(DNA) for c in q]
        cut = rng.randint(0, len(t))
        t = t[:cut] + t[cut + rng.randint(0, 6):] if rng.random() < 0.5 else t[:cut] + q[:rng.randint(0, 5)] + t[cut:]
        m, x = rng.randint(1, 4), rng.randint(-4, 1)
        o = -rng.randint(0, 5)
        e = rng.randint(o, 0)  # open <= extend <= 0: the closed form
        if max(m, abs(x), abs(o)) * (len(q) + len(t)) > LIMIT[width]:
            continue
        checked += 1
        assert hooks.striped_local_affine(width, q, t, m, x, o, e) == dp.local_affine(q, t, m, x, o, e)
        assert hooks.striped_global_affine(width, q, t, m, x, o, e)[0] == dp.global_affine(q, t, m, x, o, e)


@pytest.mark.parametrize("width", LANE_WIDTHS)
def test_scores_at_the_lane_limit_around_lane_multiples(width):
    # Query lengths at and next to multiples of the lane count, scoring values
    # as large as the width rule admits for the pair (so real cells come close
    # to the lane minimum and padding lanes wrap), both signs, every
    # correction mode: the shortened sweeps must still give the optimum.
    rng = random.Random(700 + width)
    lanes_per_word = 64 // width
    checked = 0
    while checked < 120:
        qlen = max(1, lanes_per_word * rng.randint(1, 5) + rng.choice((-1, 0, 1)))
        tlen = rng.choice((1, qlen, qlen + 1, rng.randint(1, 30)))
        if qlen + tlen > 80:
            continue
        top = LIMIT[width] // (qlen + tlen)
        if top == 0:
            continue
        value = lambda: rng.choice((top, -top, 0, 1, -1, rng.randint(-top, top)))  # noqa: E731
        m, x, o, e = value(), value(), value(), value()
        alphabet = rng.choice((DNA[:2], DNA, PROTEIN))
        q = [rng.choice(alphabet) for _ in range(qlen)]
        t = q[:tlen] + [rng.choice(alphabet) for _ in range(tlen - min(tlen, qlen))]
        if rng.random() < 0.5:
            t = [c if rng.random() > 0.2 else rng.choice(alphabet) for c in t]
        checked += 1
        lo, le = -abs(o), -abs(e)
        assert hooks.striped_local_affine(width, q, t, m, x, lo, le) == dp.local_affine(q, t, m, x, lo, le)
        assert hooks.striped_local_linear(width, q, t, m, x, lo)[0] == dp.local_linear(q, t, m, x, lo)
        for oo, ee in ((o, e), (lo, le)):
            ref = dp.global_affine(q, t, m, x, oo, ee)
            assert hooks.striped_global_affine(width, q, t, m, x, oo, ee) == (ref, ref)


@pytest.mark.parametrize("width", [8, 16])
def test_local_value_range_at_the_lane_limit(width):
    # Beyond the width rule: the best possible local score (match x the
    # shorter length) just fits the lane, and open + extend puts the lowest
    # gap step one below, at or one above the lane's reach, so the local
    # kernels switch between their offset and floored columns right there.
    rng = random.Random(f"local range {width}")
    limit = 2 ** (width - 1)
    for case in range(90):
        qlen, tlen = rng.randint(1, 60), rng.randint(1, 60)
        match = rng.randint(1, (limit - 1) // min(qlen, tlen))
        highest = match * min(qlen, tlen)
        # highest - (open + extend - 1) = limit - 1, limit or limit + 1
        total = highest + 1 - (limit - 1 + case % 3)
        if total > 0 or total < -2 * limit:
            continue
        open_ = max(-limit, min(0, total - rng.randint(total, 0)))
        extend = total - open_
        if extend < -limit:
            continue
        mismatch = rng.randint(-limit, 0)
        alphabet = rng.choice((DNA[:2], DNA))
        q = [rng.choice(alphabet) for _ in range(qlen)]
        t = [c for c in q if rng.random() > 0.1] + [rng.choice(alphabet) for _ in range(rng.randint(0, 5))]
        t = t[:tlen] or [rng.choice(alphabet)]
        assert hooks.striped_local_affine(width, q, t, match, mismatch, open_, extend) == dp.local_affine(
            q, t, match, mismatch, open_, extend)
        gap = total // 2
        assert hooks.striped_local_linear(width, q, t, match, mismatch, gap)[0] == dp.local_linear(
            q, t, match, mismatch, gap)


@pytest.mark.parametrize("width", LANE_WIDTHS)
def test_long_gaps_carried_across_lanes_in_similar_sequences(width):
    # Near-copies with one deletion about a segment long, cheap gap extension
    # (open <= extend <= 0): the vertical gap crosses lane boundaries, the
    # case where the single closed-form sweep must run on past segments that
    # the carried F does not raise.
    rng = random.Random(900 + width)
    lanes_per_word = 64 // width
    for _ in range(40):
        if width == 8:  # the only scorings that fit 8-bit lanes at these lengths
            alphabet, qlen = DNA[:2], rng.randint(50, 63)
            m, x, o, e = 1, rng.choice((-1, 0)), -1, rng.choice((-1, 0))
        else:
            alphabet, qlen = DNA, rng.randint(60, 110)
            m, x, o = rng.randint(1, 4), rng.randint(-3, 3), -rng.randint(1, 3)
            e = rng.randint(max(o, -1), 0)
        q = [rng.choice(alphabet) for _ in range(qlen)]
        t = [c if rng.random() > 0.1 else rng.choice(alphabet) for c in q]
        segs = -(-qlen // lanes_per_word)
        cut = rng.randint(0, qlen // 2)
        del t[cut:cut + rng.randint(max(1, segs // 2), 2 * segs)]
        assert hooks.striped_local_affine(width, q, t, m, x, o, e) == dp.local_affine(q, t, m, x, o, e)
        assert hooks.striped_global_affine(width, q, t, m, x, o, e)[0] == dp.global_affine(q, t, m, x, o, e)


@pytest.mark.parametrize("width", LANE_WIDTHS)
def test_global_padding_lanes_never_reach_a_real_position(width):
    # Small non-positive gaps keep the value range well inside the lane, the
    # case where padding lanes take plain gap steps and may hold any bits:
    # queries one to a few positions short of a lane multiple, both gap
    # orders (single closed-form sweep and repeated sweeps), zero gaps, and
    # near-copies so the sweeps settle early.
    rng = random.Random(1300 + width)
    lanes_per_word = 64 // width
    for _ in range(150):
        qlen = max(1, lanes_per_word * rng.randint(1, 6) - rng.randint(1, lanes_per_word - 1))
        q = [rng.choice(DNA) for _ in range(qlen)]
        t = [c if rng.random() > 0.2 else rng.choice(DNA) for c in q]
        if rng.random() < 0.5:
            cut = rng.randint(0, len(t))
            t = t[:cut] + t[cut + rng.randint(1, 4):]
        if not t:
            t = [rng.choice(DNA)]
        o, e = -rng.randint(0, 3), -rng.randint(0, 3)
        m, x = rng.randint(0, 2), rng.randint(-2, 1)
        if max(m, abs(x), abs(o), abs(e)) * (len(q) + len(t)) > LIMIT[width] // 4:
            continue
        ref = dp.global_affine(q, t, m, x, o, e)
        assert hooks.striped_global_affine(width, q, t, m, x, o, e) == (ref, ref)


@pytest.mark.parametrize("width", LANE_WIDTHS)
def test_empty_side_gap_run_wraps_in_the_lane_type(width):
    # open + extend * (n - 1) is taken modulo the lane width and sign-extended;
    # only a caller that bypasses the width rule can see the wrap.
    half = 1 << (width - 1)
    for n, o, e in ((70001, -1, -1), (40000, -3, -2), (1000, 5, 7)):
        expected = (o + e * (n - 1) + half) % (2 * half) - half
        assert hooks.striped_global_affine(width, [], [1] * n, 2, -1, o, e) == (expected, expected)
        assert hooks.striped_global_affine(width, [1] * n, [], 2, -1, o, e) == (expected, expected)


@pytest.mark.parametrize("width", [8, 16])
def test_checked_offset_columns_give_way_to_floored_ones_when_the_score_outgrows_them(width):
    # Pairs whose best possible score does not fit the lane, run without the
    # width rule: the checked offset columns either finish (the values met
    # stay low) or overflow partway and the floored columns run from the
    # start, whose answer is exact while the score plus one substitution
    # fits. A copied block (or a one-letter query) sets a score just under
    # the lane limit, above the checked ceiling or below it; unrelated pairs
    # stay low; gap values of 0 included. Only pairs the floored columns
    # hold are kept.
    rng = random.Random(f"checked offset {width}")
    limit = 2 ** (width - 1)
    scale = 1 if width == 8 else limit // 128
    kept = climbed = 0
    while kept < 45:
        m = rng.randint(1, 2) * scale
        x = -rng.randint(0, 3) * scale
        o = -rng.randint(0, 6) * scale
        e = rng.randint(o, 0) if rng.random() < 0.7 else rng.randint(o - 4 * scale, o - 1)
        block = (limit - 1 - rng.randint(1, 24) * scale) // m
        noise = lambda n, letters=DNA: [rng.choice(letters) for _ in range(n)]  # noqa: E731
        kind = kept % 3
        if kind == 0:  # a copied block inside unrelated flanks
            q = noise(rng.randint(block, block + 20))
            start = rng.randint(0, len(q) - block)
            t = noise(rng.randint(0, 10)) + q[start:start + block] + noise(rng.randint(0, 20))
        elif kind == 1:  # a one-letter query against a run of its letter
            q = [DNA[0]] * rng.randint(block, block + 20)
            t = noise(rng.randint(0, 5), DNA[1:]) + [DNA[0]] * block + noise(rng.randint(5, 20), DNA[1:])
        else:
            q, t = noise(rng.randint(block, block + 20)), noise(rng.randint(block, block + 20))
        score = dp.local_affine(q, t, m, x, o, e)
        if m * min(len(q), len(t)) < limit or score + m >= limit:
            continue  # the width rule holds it, or the floored columns do not
        kept += 1
        climbed += score + m + 1 - o - e >= limit  # beyond the checked ceiling
        assert hooks.striped_local_affine(width, q, t, m, x, o, e) == score
    assert climbed >= 5, climbed
