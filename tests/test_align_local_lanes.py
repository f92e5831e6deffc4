"""Local affine scores with the width left automatic, where the striped
kernels may run lanes narrower than the width rule's choice: the answers
must be those of the plain model and of every given width, also at the
edges of what a narrower lane holds."""

import random

import pytest

import veltrocamber as vc
from reference import alignment_dp as dp

LOCAL_FNS = [vc.smith_waterman_score, vc.smith_waterman_farrar_score]


def kw(m, x, o, e, **extra):
    return dict(match_score=m, mismatch_score=x, gap_open_score=o, gap_extend_score=e, **extra)


def widths_at_or_above_the_rule(q, t, scores):
    """The given widths the rule accepts for this pair (narrower ones raise)."""
    for width in (8, 16, 32, 64):
        try:
            yield width, vc.smith_waterman_score(q, t, **kw(*scores, width=width))
        except ValueError:
            continue


@pytest.mark.parametrize("gaps", [(0, 0), (-3, -1), (-1, -3), (-2, -2), (2, -1), (-2, 1)])
def test_random_pairs_against_the_model_and_every_width(gaps):
    # Lengths and scores whose rule bound lands on 16 or 32 bits while the
    # best local score fits 8 or 16: the automatic width runs narrower lanes.
    rng = random.Random(f"local lanes {gaps}")
    for _ in range(30):
        alphabet = rng.choice(["ACGT", "AC", "ACDEFGHIKLMNPQRSTVWY"])
        q = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 70)))
        t = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 70)))
        if rng.random() < 0.5:
            t = q[rng.randint(0, 5):] + t[: rng.randint(0, 10)]
        scores = (rng.randint(1, 3), rng.randint(-150, 1), *gaps)
        want = dp.local_affine(q, t, *scores)
        for fn in LOCAL_FNS:
            assert fn(q, t, **kw(*scores)) == want
        assert vc.smith_waterman_scores(q, [t, q, t[::-1]], **kw(*scores)).tolist() == [
            want, dp.local_affine(q, q, *scores), dp.local_affine(q, t[::-1], *scores)]
        for width, score in widths_at_or_above_the_rule(q, t, scores):
            assert score == want, width


@pytest.mark.parametrize(
    "n, match",
    [
        (127, 1),  # the best score is the 8-bit lane maximum
        (128, 1),  # one more: 16-bit lanes
        (1, 127),
        (1, 128),
        (2, 16383),  # 32,766 fits 16-bit lanes
        (2, 16384),  # 32,768 does not
        (9, 3641),  # 32,769, over several segments of 16-bit lanes
    ],
)
def test_identical_pairs_at_the_edge_of_a_lane(n, match):
    # An identical pair scores match x n: a lane too narrow for it would wrap.
    q = "A" * n
    scores = (match, -1, -1, -1)
    for fn in LOCAL_FNS:
        assert fn(q, q, **kw(*scores)) == match * n
    assert vc.smith_waterman_score(q, q, **kw(*scores, width=64)) == match * n


@pytest.mark.parametrize("low", [-128, -129, -32768, -32769])
@pytest.mark.parametrize("which", ["mismatch", "open", "extend"])
def test_scoring_values_at_the_edge_of_a_lane(low, which):
    # Small best scores but one scoring value at or just past a lane's
    # minimum: the gap magnitude (or mismatch) must still fit the lanes run.
    rng = random.Random(f"edge {low} {which}")
    values = dict(mismatch=-1, open=-3, extend=-1)
    values[which] = low
    if which == "open" and values["extend"] < low:
        values["extend"] = low
    for _ in range(6):
        q = "".join(rng.choice("ACG") for _ in range(rng.randint(1, 40)))
        t = q[: rng.randint(0, len(q))] + "".join(rng.choice("ACG") for _ in range(rng.randint(0, 8))) + q[5:]
        scores = (2, values["mismatch"], values["open"], values["extend"])
        want = dp.local_affine(q, t, *scores)
        for fn in LOCAL_FNS:
            assert fn(q, t, **kw(*scores)) == want


def test_long_pair_whose_rule_width_is_32_bits():
    # 600 x 600 protein with 5/-4/-11/-1: the rule bound (11 x 1,200) needs
    # 16 bits, a gap of -200 pushes it to 32; the best local score fits 16.
    rng = random.Random(600)
    alphabet = "ACDEFGHIKLMNPQRSTVWY"
    q = "".join(rng.choice(alphabet) for _ in range(600))
    t = q[:300] + "".join(rng.choice(alphabet) for _ in range(40)) + q[310:]
    for scores in [(5, -4, -11, -1), (5, -4, -200, -1), (5, -4, -11, -40)]:
        want = vc.smith_waterman_score(q, t, **kw(*scores, width=64))
        assert vc.smith_waterman_score(q, t, **kw(*scores)) == want
        assert vc.smith_waterman_score(q, t, **kw(*scores, width=32)) == want
    assert want == dp.local_affine(q, t, *scores)


@pytest.mark.parametrize(
    "n, match",
    [
        (3, 8191),  # 24,573: the checked 16-bit lanes' last value
        (4, 8191),  # 32,764 outgrows them at the last matching column
        (5, 8191),
        (326, 100),  # on 8-bit lanes first, which give up at the first match
        (327, 100),
    ],
)
def test_pairs_at_the_edge_of_checked_16_bit_lanes(n, match):
    # Unequal tails make the provable bound (match x (n + 4)) pass 16 bits,
    # so the pair runs 16-bit lanes checked for overflow (ceiling 2^15 - 1 -
    # match for a value plus 3, the lane of the value 0) and hands over to
    # 32-bit lanes after the column that passes it: the last match of n = 4,
    # 5 and 327; n = 3 and 326 end on the 16-bit lanes.
    q, t = "A" * n + "C" * 4, "A" * n + "G" * 4
    scores = (match, -1, -1, -1)
    for fn in LOCAL_FNS:
        assert fn(q, t, **kw(*scores)) == match * n
    for width in (32, 64):
        assert vc.smith_waterman_score(q, t, **kw(*scores, width=width)) == match * n
    assert vc.smith_waterman_cigar(q, t, **kw(*scores)) == f"{n}="


def _lanes8_scores(rng):
    m = rng.randint(1, 2)
    return (m, -rng.randint(0, 3), -rng.randint(0, 6), -rng.randint(0, 2)), rng.randint(90, 150) // m


def _lanes16_scores(rng):
    # Scoring values too large for 8-bit lanes: the 16-bit lanes run first.
    m = rng.randint(500, 1500)
    scores = (m, -rng.randint(0, 2000), -rng.randint(0, 3000), -rng.randint(0, 1000))
    return scores, rng.randint(29000, 37000) // m


def _lanes8_then_16_scores(rng):
    # 8-bit lanes give up at the first match, 16-bit ones near the end of
    # the copied block.
    m = rng.randint(100, 110)
    scores = (m, -rng.randint(0, 100), -rng.randint(0, 8), -rng.randint(0, 2))
    return scores, rng.randint(31000, 35000) // m


@pytest.mark.parametrize(
    "seed, pairs, draw, lane_top",
    [
        ("outgrow 8-bit lanes", 30, _lanes8_scores, 127),
        ("outgrow 16-bit lanes", 30, _lanes16_scores, 32767),
        ("outgrow 8- then 16-bit lanes", 6, _lanes8_then_16_scores, 32767),
    ],
)
def test_pairs_that_outgrow_checked_lanes_partway(seed, pairs, draw, lane_top):
    # With the width automatic, a pair whose provable lanes are 16 or 32 bits
    # runs on narrower lanes checked for overflow first (8 bits, then 16
    # under 32), each handing over to the next wider ones from the column
    # after the one that outgrew them, H and E carried over. A copied block
    # (with a few indels) after unrelated flanks puts the score just under,
    # at or past the reach of 8- or 16-bit lanes from some column on; gap
    # values of 0 included. The score is the model's and every given
    # width's, also in a batch whose profiles are reused, and the CIGAR,
    # whose score pass takes the same road, is the one of width 64 (whose
    # score pass is the plain wide kernel).
    rng = random.Random(seed)
    noise = lambda n: "".join(rng.choice("ACGT") for _ in range(n))  # noqa: E731
    for _ in range(pairs):
        scores, block = draw(rng)
        m = scores[0]
        q = noise(rng.randint(block, block + 40))
        start = rng.randint(0, len(q) - block)
        copy = list(q[start:start + block])
        for _ in range(rng.randint(0, 2)):
            at = rng.randint(0, len(copy))
            del copy[at:at + rng.randint(1, 3)]
        # An insertion where the score first passes the lanes' ceiling: the
        # horizontal gap opens in the last narrow column and runs on in the
        # wide ones, through the carried E.
        ceiling = lane_top - (1 - scores[2] - scores[3]) - m
        at = ceiling // m + rng.choice((0, 1, 2))
        copy[at:at] = noise(rng.randint(1, 4))
        t = noise(rng.randint(0, 40)) + "".join(copy) + noise(rng.randint(0, 40))
        want = dp.local_affine(q, t, *scores)
        assert vc.smith_waterman_score(q, t, **kw(*scores)) == want
        for width, score in widths_at_or_above_the_rule(q, t, scores):
            assert score == want, width
        reversed_score = vc.smith_waterman_score(q, t[::-1], **kw(*scores, width=64))
        assert vc.smith_waterman_scores(q, [t, t[::-1], t], **kw(*scores)).tolist() == [
            want, reversed_score, want]
        assert vc.smith_waterman_cigar(q, t, **kw(*scores)) == vc.smith_waterman_cigar(q, t, **kw(*scores, width=64))
