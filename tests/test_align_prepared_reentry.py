"""Prepared objects called again from a signal handler while a call on the
same object is in progress: the interrupt poll runs the handler mid-call,
and both the outer and the nested call must return the undisturbed answer.
A KeyboardInterrupt raised from the handler leaves the object as it was."""

import random
import signal

import pytest

from veltrocamber import _swar as sw

pytestmark = pytest.mark.skipif(not hasattr(signal, "setitimer"), reason="needs signal.setitimer")

AFFINE = dict(match_score=1, mismatch_score=-1, gap_open_score=-2, gap_extend_score=-1)


def dna(seed, n):
    rng = random.Random(seed)
    return "".join(rng.choice("ACGT") for _ in range(n))


# Long enough that one call lasts well past the timer's first millisecond;
# the affine score bound 2 x (4000 + 4000) still admits 16-bit lanes. The
# halves swapped: the last column holds the high end of one half's
# alignment, and an early column continued from it would go on along the
# other half, above the true score.
HALF_A, HALF_B = dna(1, 2000), dna(2, 2000)
QUERY, TARGET = HALF_A + HALF_B, HALF_B + HALF_A

STRIPED = [
    ("farrar", sw._prepare_smith_waterman_farrar_score, sw._smith_waterman_farrar_score_prepared, {}),
    ("affine", sw._prepare_smith_waterman_affine_score, sw._smith_waterman_affine_score_prepared, AFFINE),
    ("affine_farrar", sw._prepare_smith_waterman_affine_farrar_score,
     sw._smith_waterman_affine_farrar_score_prepared, AFFINE),
    ("global_affine", sw._prepare_needleman_wunsch_affine_score, sw._needleman_wunsch_affine_score_prepared, AFFINE),
]


@pytest.fixture
def alarm():
    """Arms a repeating 1 ms timer whose handler disarms it on its first run
    and calls `nested`; records what that call returned. The previous
    SIGALRM handler comes back afterwards, the timer disarmed."""
    previous = signal.getsignal(signal.SIGALRM)
    results = []

    def arm(nested):
        def handler(signum, frame):
            signal.setitimer(signal.ITIMER_REAL, 0)
            results.append(nested())

        signal.signal(signal.SIGALRM, handler)
        signal.setitimer(signal.ITIMER_REAL, 0.001, 0.001)
        return results

    yield arm
    signal.setitimer(signal.ITIMER_REAL, 0)
    signal.signal(signal.SIGALRM, previous)


def outer_and_nested(alarm, call, *args):
    """The undisturbed answer, then the outer call's and the nested call's."""
    expected = call(*args)
    results = alarm(lambda: call(*args))
    outer = call(*args)
    signal.setitimer(signal.ITIMER_REAL, 0)
    assert results, "the handler never ran"
    return expected, outer, results[0]


@pytest.mark.parametrize("width", [None, 16, 32, 64])
@pytest.mark.parametrize("name, prepare, call, scoring", STRIPED, ids=[case[0] for case in STRIPED])
def test_nested_call_on_a_striped_score_object(alarm, name, prepare, call, scoring, width):
    extra = {} if width is None else {"width": width}
    prepared = prepare(QUERY, TARGET, **scoring, **extra)
    expected, outer, nested = outer_and_nested(alarm, call, prepared)
    assert (outer, nested) == (expected, expected)
    assert call(prepared) == expected


@pytest.mark.parametrize("name, prepare, call, scoring", STRIPED, ids=[case[0] for case in STRIPED])
def test_interrupted_call_leaves_the_object_usable(alarm, name, prepare, call, scoring):
    prepared = prepare(QUERY, TARGET, **scoring)
    expected = call(prepared)

    def interrupt():
        raise KeyboardInterrupt

    alarm(interrupt)
    with pytest.raises(KeyboardInterrupt):
        call(prepared)
    signal.setitimer(signal.ITIMER_REAL, 0)
    assert call(prepared) == expected
    _, outer, nested = outer_and_nested(alarm, call, prepared)
    assert (outer, nested) == (expected, expected)


@pytest.mark.parametrize(
    "prepare, call",
    [(sw._prepare_smith_waterman_affine_cigar, sw._smith_waterman_affine_cigar_prepared),
     (sw._prepare_needleman_wunsch_affine_cigar, sw._needleman_wunsch_affine_cigar_prepared)],
    ids=["local", "global"])
def test_nested_call_on_a_prepared_cigar(alarm, prepare, call):
    prepared = prepare(QUERY, TARGET, **AFFINE)
    expected, outer, nested = outer_and_nested(alarm, call, prepared)
    assert (outer, nested) == (expected, expected)


def test_nested_call_on_a_prepared_levenshtein_score(alarm):
    prepared = sw._prepare_levenshtein_score(QUERY.encode())
    target = dna(3, 200_000).encode()
    expected, outer, nested = outer_and_nested(alarm, sw._levenshtein_score_prepared, prepared, target)
    assert (outer, nested) == (expected, expected)
