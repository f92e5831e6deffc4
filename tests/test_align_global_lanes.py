"""Global affine scores with the width left automatic, where the striped
kernel may run lanes narrower than the width rule's choice when the pair's
value range fits them: the answers must be those of the plain model and of
every given width, also for pairs built to sit exactly at a lane's limit
and one past it."""

import random

import pytest

import veltrocamber as vc
from reference import alignment_dp as dp

hooks = pytest.importorskip("veltrocamber._testhooks")


def kw(m, x, o, e, **extra):
    return dict(match_score=m, mismatch_score=x, gap_open_score=o, gap_extend_score=e, **extra)


def value_range(m, x, o, e, qlen, tlen):
    """Levels between the lowest value the global kernel can take (the
    all-gap floor 2o + e(qlen + tlen), plus the lowest substitution, one
    open and one extension) and the highest (every column a best
    substitution)."""
    lowest = 2 * o + e * (qlen + tlen) + min(0, m, x) + o + e
    return max(0, m, x) * min(qlen, tlen) - lowest + 1


def check_every_width(q, t, scores):
    want = dp.global_affine(q, t, *scores)
    assert vc.needleman_wunsch_score(q, t, **kw(*scores)) == want
    assert vc.needleman_wunsch_scores(q, [t, q, ""], **kw(*scores)).tolist() == [
        want, dp.global_affine(q, q, *scores), dp.global_affine(q, "", *scores)]
    for width in (8, 16, 32, 64):
        try:
            got = vc.needleman_wunsch_score(q, t, **kw(*scores, width=width))
        except ValueError:  # narrower than the rule allows
            continue
        assert got == want, width


@pytest.mark.parametrize(
    "q, t, scores, levels, lanes",
    [
        # identical pairs reach the highest value; the rule asks for 16 bits
        ("ACGTA", "ACGTA", (3, -3, -36, 0), 127, 8),
        ("ACGTA", "ACGTA", (3, -4, -36, 0), 128, 16),
        ("ACGTA", "ACGTA", (3, -4, -32, -1), 127, 8),
        ("ACGTA", "ACGTA", (3, -5, -32, -1), 128, 16),
        # the rule asks for 32 bits
        ("ACGTA", "ACGTA", (100, -100, -10722, 0), 32767, 16),
        ("ACGTA", "ACGTA", (100, -101, -10722, 0), 32768, 32),
        ("ACGTA", "ACGTTCA", (100, -99, -10679, -10), 32767, 16),
        ("ACGTA", "ACGTTCA", (100, -100, -10679, -10), 32768, 32),
        # a short query against a long target: 32 bits by the rule, 8 run
        ("AC", "GATTACA" * 143, (40, 0, -10, 0), 111, 8),
    ],
)
def test_pairs_at_the_edge_of_a_lane(q, t, scores, levels, lanes):
    assert value_range(*scores, len(q), len(t)) == levels
    assert hooks.narrowest_global_affine_lanes(*scores, len(q), len(t)) == lanes
    check_every_width(q, t, scores)


@pytest.mark.parametrize(
    "scores, qlen, tlen",
    [((2, -1, 1, -1), 5, 5), ((2, -1, -1, 1), 5, 5), ((2, -1, -3, -1), 0, 5), ((2, -1, -3, -1), 5, 0)],
)
def test_positive_gaps_and_empty_sides_keep_the_rule(scores, qlen, tlen):
    assert hooks.narrowest_global_affine_lanes(*scores, qlen, tlen) == 64
    check_every_width("ACGTA"[:qlen], "AGGTC"[:tlen], scores)


@pytest.mark.parametrize("gaps", [(0, 0), (-3, -1), (-1, -3), (-40, 0), (-900, -2)])
def test_random_pairs_against_the_model_and_every_width(gaps):
    # Lengths and scores whose rule bound lands on 16 or 32 bits while the
    # value range may fit 8 or 16: the automatic width runs narrower lanes.
    rng = random.Random(f"global lanes {gaps}")
    for _ in range(30):
        alphabet = rng.choice(["ACGT", "AC", "ACDEFGHIKLMNPQRSTVWY"])
        q = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 40)))
        t = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 40)))
        if rng.random() < 0.3:
            t = q[rng.randint(0, 5):] + t[: rng.randint(0, 10)]
        elif rng.random() < 0.2:
            t = "".join(rng.choice("XYZ") for _ in range(rng.randint(1, 40)))  # every column a mismatch
        scores = (rng.randint(0, 3), rng.choice([rng.randint(-150, 1), -1]), *gaps)
        check_every_width(q, t, scores)


def test_long_pair_whose_rule_width_is_32_bits():
    # 600 x 600 protein with 5/-4/-11/-1 needs 16 bits by the rule; a gap of
    # -200 pushes it to 32, while the value range still fits 16.
    rng = random.Random(600)
    alphabet = "ACDEFGHIKLMNPQRSTVWY"
    q = "".join(rng.choice(alphabet) for _ in range(600))
    t = q[:300] + "".join(rng.choice(alphabet) for _ in range(40)) + q[310:]
    scores = (5, -4, -200, -1)
    assert hooks.narrowest_global_affine_lanes(*scores, len(q), len(t)) == 16
    want = vc.needleman_wunsch_score(q, t, **kw(*scores, width=64))
    assert vc.needleman_wunsch_score(q, t, **kw(*scores)) == want
    assert vc.needleman_wunsch_score(q, t, **kw(*scores, width=32)) == want
    assert want == dp.global_affine(q, t, *scores)
