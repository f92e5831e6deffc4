"""Cross-check of the alignment scores against parasail on seeded random
pairs (skipped where parasail is not installed)."""

import random

import pytest

import veltrocamber as vc
from veltrocamber import _swar

parasail = pytest.importorskip("parasail")

CASES = [("ACGT", 2, -3, 5, 2), ("ACGT", 1, -1, 1, 1), ("ACDEFGHIKLMNPQRSTVWY", 3, -2, 4, 1),
         ("ACDEFGHIKLMNPQRSTVWY", 2, -1, 2, 2)]


@pytest.mark.parametrize("alphabet, match, mismatch, open_cost, extend_cost", CASES)
def test_scores_agree_with_parasail(alphabet, match, mismatch, open_cost, extend_cost):
    # parasail takes positive penalties; a gap of k symbols costs open + (k-1) * extend.
    # Its scan kernels serve as the peer: its striped local kernel can miss the
    # optimum by one when open equals extend (seen with match 1, mismatch -1, gap 1).
    matrix = parasail.matrix_create(alphabet, match, mismatch)
    rng = random.Random(len(alphabet) * 100 + open_cost)
    keywords = dict(match_score=match, mismatch_score=mismatch, gap_open_score=-open_cost,
                    gap_extend_score=-extend_cost)
    for _ in range(40):
        q = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 250)))
        t = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 250)))
        assert vc.smith_waterman_score(q, t, **keywords) == parasail.sw_scan_32(q, t, open_cost, extend_cost,
                                                                                matrix).score
        assert vc.needleman_wunsch_score(q, t, **keywords) == parasail.nw_scan_32(q, t, open_cost, extend_cost,
                                                                                  matrix).score


@pytest.mark.parametrize("alphabet, match, mismatch, open_cost, extend_cost", CASES)
def test_striped_and_prepared_scores_agree_with_parasail(alphabet, match, mismatch, open_cost, extend_cost):
    matrix = parasail.matrix_create(alphabet, match, mismatch)
    rng = random.Random(len(alphabet) * 100 + open_cost + 1)
    keywords = dict(match_score=match, mismatch_score=mismatch, gap_open_score=-open_cost,
                    gap_extend_score=-extend_cost)
    for _ in range(40):
        q = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 250)))
        t = "".join(rng.choice(alphabet) for _ in range(rng.randint(1, 250)))
        local = parasail.sw_scan_32(q, t, open_cost, extend_cost, matrix).score
        assert vc.smith_waterman_farrar_score(q, t, **keywords) == local
        prepared = _swar._prepare_smith_waterman_affine_farrar_score(q, t, **keywords)
        assert _swar._smith_waterman_affine_farrar_score_prepared(prepared) == local
        assert _swar._needleman_wunsch_affine_score_prepared(prepared) == parasail.nw_scan_32(
            q, t, open_cost, extend_cost, matrix).score
        if open_cost == extend_cost:
            linear = _swar._prepare_smith_waterman_farrar_score(q, t, **keywords)
            assert _swar._smith_waterman_farrar_score_prepared(linear) == local
