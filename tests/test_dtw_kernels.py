"""DTW distances against the cell-by-cell reference and against a peer."""

import math

import numpy as np
import pytest

from veltrocamber import dtw, dtw_distances

from reference.dtw_dp import dtw_reference, fraction_radius

DTYPES = ["float32", "float64", "int16"]
DISTANCES = ["l1", "l2_squared"]


def random_samples(rng, dtype, size):
    if dtype == "int16":
        return rng.integers(-32768, 32768, size=size, dtype=np.int16)
    return (rng.standard_normal(size) * 10).astype(dtype)


# Radii below |n - m|, zero, in between, at and above the longer length.
LENGTHS_AND_RADII = [
    (1, 1, [None, 0, 1]),
    (1, 7, [None, 0, 5, 6, 7]),
    (9, 9, [None, 0, 1, 3, 9, 20]),
    (13, 6, [None, 2, 6, 7, 13]),
    (6, 17, [None, 10, 11, 12, 17, 100]),
    (23, 19, [None, 0, 3, 4, 5, 23]),
]


@pytest.mark.parametrize("dtype", DTYPES)
@pytest.mark.parametrize("distance", DISTANCES)
def test_matches_reference_on_random_arrays(dtype, distance):
    rng = np.random.default_rng(20261210)
    for n, m, radii in LENGTHS_AND_RADII:
        for _ in range(3):
            x, y = random_samples(rng, dtype, n), random_samples(rng, dtype, m)
            for radius in radii:
                expected = dtw_reference(x, y, distance, radius)
                assert dtw(x, y, window=radius, distance=distance) == expected, (n, m, radius)


@pytest.mark.parametrize("dtype", DTYPES)
def test_float_window_is_a_fraction_of_the_longer_length(dtype):
    rng = np.random.default_rng(7)
    distance = "l1" if dtype == "int16" else "l2_squared"
    for n, m in [(5, 3), (20, 31), (40, 40)]:
        x, y = random_samples(rng, dtype, n), random_samples(rng, dtype, m)
        for w in (0.05, 0.3, 0.5, 1.0):
            expected = dtw_reference(x, y, distance, fraction_radius(w, n, m))
            assert dtw(x, y, window=w) == expected
    # 0.5 of max(5, 3) is radius 3: the same as window=3.
    x, y = random_samples(rng, dtype, 5), random_samples(rng, dtype, 3)
    assert dtw(x, y, window=0.5) == dtw(x, y, window=3)
    assert dtw(x, y, window=1.0) == dtw(x, y)


def test_longer_inputs_cross_the_strip_boundaries():
    # Lengths that leave every remainder of rows after the multi-row strips,
    # with narrow and wide bands.
    rng = np.random.default_rng(99)
    for n in (30, 31, 32, 33):
        for m in (29, 34):
            x, y = random_samples(rng, "float64", n), random_samples(rng, "float64", m)
            for radius in (None, 5, 8):
                assert dtw(x, y, window=radius) == dtw_reference(x, y, "l2_squared", radius)


def test_worked_examples():
    q, t = np.array([0.0, 1.0, 2.0]), np.array([0.0, 2.0])
    assert dtw(q, t) == 1.0
    assert dtw(q, t, distance="l1") == 1.0
    q32, t32 = q.astype(np.float32), t.astype(np.float32)
    assert dtw(q32, t32, distance="l1") == 1.0
    assert dtw(q32, t32, distance="l2_squared") == 1.0
    lo, hi = np.array([-32768], np.int16), np.array([32767], np.int16)
    assert dtw(lo, hi) == 65535.0


@pytest.mark.parametrize("dtype", DTYPES)
def test_default_distance_per_dtype(dtype):
    x, y = np.array([0, 3, 1], dtype), np.array([2, 0], dtype)
    default = "l1" if dtype == "int16" else "l2_squared"
    assert dtw(x, y) == dtw(x, y, distance=default) == dtw_reference(x, y, default)
    assert dtw(x, y, distance="l1") != dtw(x, y, distance="l2_squared")


@pytest.mark.parametrize("dtype", DTYPES)
def test_single_samples_give_the_pointwise_cost_for_any_band(dtype):
    x, y = np.array([7], dtype), np.array([-5], dtype)
    for radius in (None, 0, 1, 0.5):
        assert dtw(x, y, window=radius, distance="l1") == 12.0
        assert dtw(x, y, window=radius, distance="l2_squared") == 144.0


@pytest.mark.parametrize("dtype", DTYPES)
def test_band_edges(dtype):
    rng = np.random.default_rng(3)
    x, y = random_samples(rng, dtype, 10), random_samples(rng, dtype, 10)
    pointwise = sum(abs(int(a) - int(b)) if dtype == "int16" else 0 for a, b in zip(x, y))
    if dtype == "int16":
        assert dtw(x, y, window=0) == float(pointwise)
    # Radius 0 with different lengths, and any radius below |n - m|: unreachable.
    assert dtw(x, y[:9], window=0) == math.inf
    assert dtw(x[:4], y, window=5) == math.inf
    assert dtw(x[:4], y, window=6) < math.inf
    assert dtw(x, y, window=10) == dtw(x, y, window=11) == dtw(x, y)


def test_radius_zero_float64_is_the_diagonal_sum():
    x = np.array([1.5, -2.0, 4.0, 0.25])
    y = np.array([0.5, 2.0, 1.0, 0.0])
    assert dtw(x, y, window=0) == float(np.sum((x - y) ** 2))
    assert dtw(x, y, window=0, distance="l1") == float(np.sum(np.abs(x - y)))


def test_float32_stays_in_single_precision():
    # Values whose squared differences and sums round differently in single
    # and double precision.
    rng = np.random.default_rng(11)
    x = (rng.standard_normal(40) * 1e3 + 1e4).astype(np.float32)
    y = (rng.standard_normal(35) * 1e3 + 1e4).astype(np.float32)
    single = dtw(x, y)
    assert single == dtw_reference(x, y, "l2_squared")
    assert single == float(np.float32(single))
    assert single != dtw(x.astype(np.float64), y.astype(np.float64))


@pytest.mark.parametrize("distance", DISTANCES)
def test_int16_sums_do_not_overflow(distance):
    # Squared differences up to 65535^2 and path sums far beyond 32 bits.
    n = 3000
    x = np.where(np.arange(n) % 2 == 0, -32768, 32767).astype(np.int16)
    y = (-x.astype(np.int32) - 1).astype(np.int16)  # every pair differs by 65535
    cost = 65535 if distance == "l1" else 65535**2
    assert dtw(x, y, window=0, distance=distance) == float(n * cost)
    # Constant sequences: every warping path has at least max(n, m) cells.
    low, high = np.full(n, -32768, np.int16), np.full(2000, 32767, np.int16)
    assert dtw(low, high, distance=distance) == float(n * cost)


@pytest.mark.parametrize("dtype", ["float32", "float64"])
@pytest.mark.parametrize("where", ["start", "middle", "end"])
@pytest.mark.parametrize("side", ["query", "target"])
def test_nan_samples_never_give_a_finite_distance(dtype, where, side):
    rng = np.random.default_rng(5)
    x, y = random_samples(rng, dtype, 12), random_samples(rng, dtype, 9)
    bad = x if side == "query" else y
    bad[{"start": 0, "middle": len(bad) // 2, "end": -1}[where]] = np.nan
    for radius in (None, 3, 9):
        for distance in DISTANCES:
            got = dtw(x, y, window=radius, distance=distance)
            expected = dtw_reference(x, y, distance, radius)
            assert math.isnan(got) or got == math.inf
            assert got == expected or (math.isnan(got) and math.isnan(expected))


@pytest.mark.parametrize("dtype", ["float32", "float64"])
def test_nan_minimum_rule(dtype):
    assert math.isnan(dtw(np.array([np.nan], dtype), np.array([1.0], dtype)))
    # inf - inf makes D[1][1] NaN. D[2][2] has it as its diagonal, which a
    # strict less-than never replaces: NaN.
    assert math.isnan(dtw(np.array([np.inf, 0.0], dtype), np.array([np.inf, 0.0], dtype)))
    # D[2][3] sees NaN only as its left neighbour, passed over for the
    # infinite diagonal; an infinite best stays infinite with no cost added.
    assert dtw(np.array([np.inf, 0.0], dtype), np.array([np.inf, 0.0, 0.0], dtype)) == math.inf
    # The same by rows: D[3][2] sees NaN only as its up neighbour.
    assert dtw(np.array([np.inf, 0.0, 0.0], dtype), np.array([np.inf, 0.0], dtype)) == math.inf


def test_dtw_distances_equal_pairwise_results():
    rng = np.random.default_rng(8)
    for dtype in DTYPES:
        q = random_samples(rng, dtype, 17)
        targets = [random_samples(rng, dtype, int(k)) for k in rng.integers(1, 30, size=12)]
        for window in (None, 4, 0.25):
            for distance in (None, "l1", "l2_squared"):
                got = dtw_distances(q, targets, window=window, distance=distance)
                assert got.dtype == np.float64 and got.shape == (12,)
                expected = [dtw(q, t, window=window, distance=distance) for t in targets]
                assert got.tolist() == expected


def test_cross_check_with_dtaidistance():
    peer = pytest.importorskip("dtaidistance.dtw")
    rng = np.random.default_rng(2026)
    for _ in range(20):
        n, m = (int(v) for v in rng.integers(1, 60, size=2))
        x, y = rng.standard_normal(n), rng.standard_normal(m)
        assert math.sqrt(dtw(x, y)) == pytest.approx(peer.distance(x, y), rel=1e-12)
        # Its window counts shifts strictly below it and widens by |n - m|,
        # so compare bands on equal lengths only.
        y = rng.standard_normal(n)
        radius = int(rng.integers(0, n))
        assert math.sqrt(dtw(x, y, window=radius)) == pytest.approx(
            peer.distance(x, y, window=radius + 1), rel=1e-12
        )


def test_random_lengths_and_bands_sweep():
    rng = np.random.default_rng(424242)
    for _ in range(150):
        n, m = (int(v) for v in rng.integers(1, 22, size=2))
        dtype = DTYPES[int(rng.integers(0, 3))]
        distance = DISTANCES[int(rng.integers(0, 2))]
        radius = None if rng.random() < 0.2 else int(rng.integers(0, max(n, m) + 3))
        x, y = random_samples(rng, dtype, n), random_samples(rng, dtype, m)
        assert dtw(x, y, window=radius, distance=distance) == dtw_reference(x, y, distance, radius), (
            n, m, radius, dtype, distance)


def test_kernel_on_empty_inputs_and_cost_kinds(hooks):
    kernel = hooks.dtw_kernel_float64
    assert kernel([], [1.0], 1, 0, False) == math.inf
    assert kernel([1.0], [], 0, 5, True) == math.inf
    assert kernel([], [], 1, 0, False) == math.inf
    x, y = [0.0, 3.0, 1.0], [2.0, 0.0]
    # Any cost kind other than 1 is l1.
    assert kernel(x, y, 1, 0, False) == dtw_reference(np.array(x), np.array(y), "l2_squared")
    for kind in (0, 2, -1):
        assert kernel(x, y, kind, 0, False) == dtw_reference(np.array(x), np.array(y), "l1")
    # The radius is read only with the band flag set.
    assert kernel(x, y, 0, 0, False) < math.inf
    assert kernel(x, y, 0, 0, True) == math.inf
