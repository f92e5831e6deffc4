"""dtw and dtw_distances: accepted inputs, keyword parsing, check order and messages."""

import array
import sys

import numpy as np
import pytest

from veltrocamber import _swar, dtw, dtw_distances

F64 = np.array([0.0, 1.0, 2.0])
F32 = F64.astype(np.float32)
I16 = np.array([0, 1, 2], np.int16)
EMPTY = np.array([], np.float64)

NOT_NDARRAY = "dtw requires ndarray inputs (sequences / bytes / str not supported)"
BAD_BUFFER = "dtw inputs must be ndarrays with float32, float64, or int16 dtype"
WINDOW_TYPE = "window= must be None, int (samples), or float in (0, 1] (fraction)"
WINDOW_NEGATIVE = "window= must be non-negative"
WINDOW_FRACTION = "window= as float must be in (0, 1]"
DISTANCE_VALUE = 'distance= must be "l1" or "l2_squared"'
DISTANCE_TYPE = 'distance= must be "l1", "l2_squared", or None'
D_QUERY = "dtw_distances query must be an ndarray with float32, float64, or int16 dtype"
D_TARGETS = "dtw_distances targets must all be ndarrays with the same dtype as query"


# (query, target, keywords, exception, message); ordering cases included.
DTW_ERRORS = [
    (F64[::2], F64, {}, TypeError, BAD_BUFFER),  # not C-contiguous
    (np.array([1 + 2j]), np.array([1 + 2j]), {}, TypeError, BAD_BUFFER),
    (F64.astype(">f8"), F64.astype(">f8"), {}, TypeError, BAD_BUFFER),  # foreign byte order
    (F64, np.array([1, 2], ">i2"), {}, TypeError, BAD_BUFFER),
    ([0.0, 1.0], F64[::2], {}, TypeError, BAD_BUFFER),  # a failed probe outranks a list
    (b"abc", F64, {}, TypeError, NOT_NDARRAY),
    ("abc", F64, {}, TypeError, NOT_NDARRAY),
    ([0.0, 1.0], F64, {}, TypeError, NOT_NDARRAY),
    (F64, None, {}, TypeError, NOT_NDARRAY),
    (F32, F64, {}, TypeError, "dtw query and target must share dtype"),
    (np.array([1], np.int8), F64, {}, TypeError, "dtw query and target must share dtype"),
    (np.array([1], np.int8), np.array([1], np.int8), {}, TypeError,
     "dtw requires float32, float64, or int16 ndarray dtype"),
    (bytearray(b"ab"), bytearray(b"ab"), {}, TypeError, "dtw requires float32, float64, or int16 ndarray dtype"),
    # dtype checks come before the emptiness check
    (np.array([], np.int8), np.array([], np.int8), {}, TypeError,
     "dtw requires float32, float64, or int16 ndarray dtype"),
    (EMPTY, F32[:0], {}, TypeError, "dtw query and target must share dtype"),
    (EMPTY, F64, {}, ValueError, "dtw inputs must be non-empty"),
    (F64, EMPTY, {"window": -1, "distance": 1}, ValueError, "dtw inputs must be non-empty"),
    (F64, F64, {"window": -1}, ValueError, WINDOW_NEGATIVE),
    (F64, F64, {"window": -1, "distance": "bad"}, ValueError, WINDOW_NEGATIVE),  # window before distance
    (F64, F64, {"window": 0.0}, ValueError, WINDOW_FRACTION),
    (F64, F64, {"window": -0.5}, ValueError, WINDOW_FRACTION),
    (F64, F64, {"window": 1.5}, ValueError, WINDOW_FRACTION),
    (F64, F64, {"window": float("nan")}, ValueError, WINDOW_FRACTION),
    (F64, F64, {"window": "3"}, TypeError, WINDOW_TYPE),
    (F64, F64, {"window": np.int64(3)}, TypeError, WINDOW_TYPE),
    (F64, F64, {"window": 3j}, TypeError, WINDOW_TYPE),
    (F64, F64, {"distance": "L1"}, ValueError, DISTANCE_VALUE),
    (F64, F64, {"distance": ""}, ValueError, DISTANCE_VALUE),
    (F64, F64, {"distance": "l2"}, ValueError, DISTANCE_VALUE),
    (F64, F64, {"distance": "l1 "}, ValueError, DISTANCE_VALUE),
    (F64, F64, {"distance": "l1\0"}, ValueError, DISTANCE_VALUE),
    (F64, F64, {"distance": 1}, TypeError, DISTANCE_TYPE),
    (F64, F64, {"distance": b"l1"}, TypeError, DISTANCE_TYPE),
    (F64, F64, {"distance": "\udc80"}, TypeError, DISTANCE_TYPE),  # does not encode to UTF-8
]


@pytest.mark.parametrize("query, target, keywords, exc, message", DTW_ERRORS)
def test_dtw_errors(query, target, keywords, exc, message):
    with pytest.raises(exc) as info:
        dtw(query, target, **keywords)
    assert type(info.value) is exc and str(info.value) == message


DTW_DISTANCES_ERRORS = [
    (F64, 5, {}, TypeError, "targets must be a sequence of target ndarrays"),
    (None, None, {}, TypeError, "targets must be a sequence of target ndarrays"),  # targets come first
    (F64[::2], [F64], {}, TypeError, D_QUERY),
    (F64.astype(">f8"), [F64], {}, TypeError, D_QUERY),
    ([0.0, 1.0], [F64], {}, TypeError, D_QUERY),
    (b"ab", [F64], {}, TypeError, D_QUERY),
    (np.array([1], np.int8), [F64], {}, TypeError, "dtw_distances requires float32, float64, or int16 ndarray dtype"),
    (np.array([], np.int8), [], {}, TypeError, "dtw_distances requires float32, float64, or int16 ndarray dtype"),
    (EMPTY, [F64], {}, ValueError, "dtw_distances query must be non-empty"),
    (EMPTY, [], {"distance": "bad"}, ValueError, "dtw_distances query must be non-empty"),
    (F64, [], {"distance": "bad"}, ValueError, DISTANCE_VALUE),  # parsed before the targets
    (F64, [EMPTY], {"distance": 2}, TypeError, DISTANCE_TYPE),
    (F64, [F64, [0.0, 1.0]], {}, TypeError, D_TARGETS),
    (F64, [F64, "ab"], {}, TypeError, D_TARGETS),
    (F64, "ab", {}, TypeError, D_TARGETS),
    (F64, [F64[::2]], {}, TypeError, D_TARGETS),
    (F64, [F64.astype(">f8")], {}, TypeError, D_TARGETS),
    (F32, [F32, F64], {}, TypeError, "dtw_distances: target dtype must match query dtype"),
    (F64, [EMPTY], {"window": -1}, ValueError, "dtw_distances: every target must be non-empty"),
    (F64, [F64, EMPTY], {}, ValueError, "dtw_distances: every target must be non-empty"),
    (F64, [F64, EMPTY], {"window": -1}, ValueError, WINDOW_NEGATIVE),  # the first target reads window
    (F64, [F64], {"window": -1}, ValueError, WINDOW_NEGATIVE),
    (F64, [F64], {"window": 2.0}, ValueError, WINDOW_FRACTION),
    (F64, [F64], {"window": [1]}, TypeError, WINDOW_TYPE),
]


@pytest.mark.parametrize("query, targets, keywords, exc, message", DTW_DISTANCES_ERRORS)
def test_dtw_distances_errors(query, targets, keywords, exc, message):
    with pytest.raises(exc) as info:
        dtw_distances(query, targets, **keywords)
    assert type(info.value) is exc and str(info.value) == message


@pytest.mark.parametrize("window", [2**63, 2**64, -(2**63) - 1, -(2**70)])
def test_window_beyond_64_bits_raises_overflow_error(window):
    range_text = "between -9223372036854775808 and 9223372036854775807"
    with pytest.raises(OverflowError) as info:
        dtw(F64, F64, window=window)
    assert str(info.value) == f"dtw: window must be {range_text}"
    with pytest.raises(OverflowError) as info:
        dtw_distances(F64, [F64], window=window)
    assert str(info.value) == f"dtw_distances: window must be {range_text}"


def test_keywords_are_keyword_only():
    with pytest.raises(TypeError):
        dtw(F64, F64, 1)
    with pytest.raises(TypeError):
        dtw_distances(F64, [F64], 1)


def test_no_targets_gives_an_empty_array_without_reading_window():
    out = dtw_distances(F64, [], window=-1)
    assert out.dtype == np.float64 and out.shape == (0,)


def test_buffer_kinds_accepted_like_ndarrays():
    expected = dtw(F64, np.array([0.0, 2.0]))
    assert expected == 1.0
    assert dtw(array.array("d", [0, 1, 2]), array.array("d", [0, 2])) == expected
    assert dtw(memoryview(array.array("d", [0, 1, 2])), memoryview(np.array([0.0, 2.0]))) == expected
    assert dtw(memoryview(F64.tobytes()).cast("d"), np.array([0.0, 2.0])) == expected
    assert dtw(F64.astype("<f8"), np.array([0.0, 2.0])) == expected  # native order named explicitly
    assert dtw(array.array("h", [0, 1, 2]), array.array("h", [0, 2])) == dtw(I16, I16[::2].copy())
    assert dtw(F32, memoryview(np.array([0.0, 2.0], np.float32))) == 1.0


def test_a_misaligned_buffer_is_read_correctly():
    raw = bytearray(1 + 8 * 3)
    raw[1:] = F64.tobytes()
    view = memoryview(raw)[1:].cast("d")
    assert dtw(view, np.array([0.0, 2.0])) == 1.0
    assert dtw_distances(view, [np.array([0.0, 2.0]), view]).tolist() == [1.0, 0.0]


def test_any_c_contiguous_shape_is_read_flat():
    grid = np.arange(6, dtype=np.float64).reshape(2, 3)
    assert dtw(grid, np.arange(6, dtype=np.float64)) == 0.0
    assert dtw(grid, np.array([0.0, 5.0])) == dtw(grid.ravel(), np.array([0.0, 5.0]))


def test_window_bool_and_float_subclass():
    x, y = np.array([0.0, 1.0, 5.0]), np.array([1.0, 0.0, 2.0, 5.0])
    assert dtw(x, y, window=True) == dtw(x, y, window=1)
    assert dtw(x, y, window=False) == dtw(x, y, window=0) == float("inf")
    assert dtw(x, y, window=np.float64(0.5)) == dtw(x, y, window=2)


def test_dtw_distances_targets_from_any_iterable():
    q = np.array([0.0, 1.0, 2.0, 3.0])
    rows = np.array([[0.0, 1.0, 2.0, 3.0], [3.0, 2.0, 1.0, 0.0]])
    expected = [dtw(q, r) for r in rows]
    assert dtw_distances(q, rows).tolist() == expected  # one target per row
    assert dtw_distances(q, tuple(rows)).tolist() == expected
    assert dtw_distances(q, (r for r in rows)).tolist() == expected
    assert dtw_distances(q, [array.array("d", r) for r in rows]).tolist() == expected


def test_dtw_distances_result_array():
    q = np.array([0.0, 1.0])
    out = dtw_distances(q, [q, np.array([5.0])], window=0.5)
    assert out.dtype == np.float64 and out.ndim == 1 and out.flags.c_contiguous and out.flags.writeable
    assert out.tolist() == [0.0, 41.0]
    view = out[1:]
    del out
    assert view.tolist() == [41.0]


def test_no_references_leak():
    q = np.array([0.0, 1.0, 2.0])
    t = np.array([0.0, 2.0])
    window, distance = 0.5, "l2_squared"
    targets = [t, t]
    before = [sys.getrefcount(o) for o in (q, t, targets, window, distance)]
    for _ in range(50):
        dtw(q, t, window=window, distance=distance)
        dtw_distances(q, targets, window=window, distance=distance)
        with pytest.raises(TypeError):
            dtw_distances(q, [t, "x"], window=window, distance=distance)
        with pytest.raises(ValueError):
            dtw(q, t, window=-1)
    assert [sys.getrefcount(o) for o in (q, t, targets, window, distance)] == before


def test_buffers_are_released_on_every_exit():
    # A bytearray cannot be resized while a buffer of it is held.
    q, t = bytearray(F64.tobytes()), bytearray(np.array([0.0, 2.0]).tobytes())
    qv, tv = memoryview(q).cast("d"), memoryview(t).cast("d")
    dtw(qv, tv)
    with pytest.raises(ValueError):
        dtw(qv, tv, window=-1)
    with pytest.raises(TypeError):
        dtw_distances(qv, [tv, "x"])
    qv.release()
    tv.release()
    q.extend(b"\0" * 8)
    t.extend(b"\0" * 8)


def test_signatures_and_docstring():
    doc = _swar.dtw.__doc__
    assert "\nDynamic Time Warping distance between two numeric ndarrays.\n\n" in doc
    for word in ("float32", "float64", "int16", "Sakoe-Chiba", "l1", "l2_squared", "ValueError"):
        assert word in doc
    assert "dtw(query" in doc and "*, window" in doc
    assert _swar.dtw_distances.__doc__.splitlines()[0].startswith("dtw_distances(query")
    assert len(_swar.dtw_distances.__doc__.strip().splitlines()) == 1
