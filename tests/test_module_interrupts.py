"""Ctrl-C during a long call: a SIGINT-like signal that arrives while a kernel
or a batch loop runs (the interpreter lock held) raises KeyboardInterrupt
promptly, and the module works normally afterwards.

Each call below would run for several seconds; a timer raises
KeyboardInterrupt (signal.default_int_handler) 0.2 s into it. A call that
never polls would still end in KeyboardInterrupt, but only once it is done,
so the test measures how long the call took."""

import random
import signal
import time

import numpy as np
import pytest

from veltrocamber import _swar

AFFINE = dict(gap_open_score=-3, gap_extend_score=-1)
# From the signal to the exception; the calls run several seconds uninterrupted.
PROMPT = 1.0


def dna(seed, n):
    rng = random.Random(seed)
    return "".join(rng.choice("ACGT") for _ in range(n))


def samples(seed, n):
    return np.random.default_rng(seed).random(n)


def pair(n):
    return lambda: (dna(1, n), dna(2, n))


def batch(n, count):
    return lambda: (dna(1, n), [dna(2, n)] * count)


# (function, inputs, keywords); the inputs are made when the case runs.
CASES = {
    # single pairs: the kernels poll every few million cells
    "striped local affine score": (_swar.smith_waterman_score, pair(50_000), AFFINE),
    "striped global affine score": (_swar.needleman_wunsch_score, pair(50_000), AFFINE),
    "scalar local affine score": (_swar.smith_waterman_score, pair(40_000), dict(gap_open_score=1, gap_extend_score=-1)),
    "scalar linear score": (_swar.needleman_wunsch_score, pair(40_000), {}),
    "path": (_swar.smith_waterman_path, pair(25_000), AFFINE),
    "path info, linear": (_swar.needleman_wunsch_path_info, pair(25_000), {}),
    "affine cigar": (_swar.smith_waterman_cigar, pair(20_000), AFFINE),
    "linear cigar": (_swar.smith_waterman_cigar, pair(25_000), {}),
    "unrestricted damerau-levenshtein": (_swar.true_damerau_levenshtein_score, pair(12_000), {}),
    "dtw": (_swar.dtw, lambda: (samples(1, 60_000), samples(2, 60_000)), {}),
    # batches of pairs too small to poll inside: the loops poll between targets
    "alignment batch": (_swar.smith_waterman_scores, batch(1_000, 4_000), AFFINE),
    "alignment top-k": (_swar.smith_waterman_top_k, batch(1_000, 4_000), {}),
    "edit-distance batch": (_swar.levenshtein_scores, batch(20_000, 400), {}),
    "unrestricted damerau-levenshtein batch": (_swar.true_damerau_levenshtein_normalized_scores, batch(1_500, 800), {}),
    "dtw batch": (_swar.dtw_distances, lambda: (samples(1, 1_000), [samples(2, 1_000)] * 8_000), {}),
}


def shortened(inputs):
    """A few short inputs of the same kinds."""
    return tuple(x[:20] if isinstance(x, (str, np.ndarray)) else [t[:20] for t in x[:3]] for x in inputs)


@pytest.fixture
def alarm_interrupts():
    previous = signal.signal(signal.SIGALRM, signal.default_int_handler)
    try:
        yield
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)


@pytest.mark.parametrize("case", list(CASES))
def test_a_long_call_stops_at_an_interrupt(alarm_interrupts, case):
    fn, make_inputs, keywords = CASES[case]
    inputs = make_inputs()
    start = time.monotonic()
    signal.setitimer(signal.ITIMER_REAL, 0.2)
    with pytest.raises(KeyboardInterrupt):
        fn(*inputs, **keywords)
    elapsed = time.monotonic() - start
    assert elapsed < 0.2 + PROMPT, f"{case} ran {elapsed:.2f} s"
    # Nothing is left half done.
    small = shortened(inputs)
    assert repr(fn(*small, **keywords)) == repr(fn(*small, **keywords))
