"""probe_buffer, raw_text_view, collect_sequence_items and
reject_single_text_targets through the private test hooks."""

import array

import pytest

hooks = pytest.importorskip("veltrocamber._testhooks")

NOT_SEQUENCE = " must be bytes, str, or a sequence of immutable hashable objects"
SINGLE_TEXT = "targets must be an iterable of target sequences, not a single str/bytes"

# ElementKind values
INT8, UINT8, INT16, UINT16, INT32, UINT32, INT64, UINT64, FLOAT16, FLOAT32, FLOAT64 = range(1, 12)


class BytesSub(bytes):
    pass


class StrSub(str):
    pass


@pytest.mark.parametrize(
    "make, kind, count",
    [
        (lambda: bytearray(b"abc"), UINT8, 3),
        (lambda: memoryview(b"abcd"), UINT8, 4),
        (lambda: memoryview(b"abcd").cast("b"), INT8, 4),
        (lambda: array.array("i", [1, 2, 3]), INT32, 3),
        (lambda: array.array("H", [1]), UINT16, 1),
        (lambda: array.array("q", [1, 2]), INT64, 2),
        (lambda: array.array("L", [1, 2]), UINT64, 2),
        (lambda: array.array("d", [1.0]), FLOAT64, 1),
        (lambda: array.array("f", []), FLOAT32, 0),
    ],
)
def test_probe_buffer_accepts_python_buffers(make, kind, count):
    assert hooks.probe_buffer(make()) == (True, False, kind, count)


@pytest.mark.parametrize("obj", [b"ab", BytesSub(b"ab"), "ab", StrSub("ab"), 5, [1, 2], (1,), object()])
def test_probe_buffer_leaves_text_and_non_buffers_alone(obj):
    assert hooks.probe_buffer(obj) == (False, False, 0, 0)


NATIVE_FORMATS = [
    ("b", 1, INT8), ("B", 1, UINT8), ("h", 2, INT16), ("H", 2, UINT16), ("i", 4, INT32), ("I", 4, UINT32),
    ("l", 8, INT64), ("q", 8, INT64), ("L", 8, UINT64), ("Q", 8, UINT64), ("e", 2, FLOAT16), ("f", 4, FLOAT32),
    ("d", 8, FLOAT64), ("<i", 4, INT32), ("=q", 8, INT64), ("@h", 2, INT16), ("|B", 1, UINT8), ("<<d", 8, FLOAT64),
]


@pytest.mark.parametrize("fmt, itemsize, kind", NATIVE_FORMATS)
def test_probe_buffer_format_letters(fmt, itemsize, kind):
    obj = hooks.make_buffer_exporter(b"\0" * 16, fmt, itemsize)
    assert hooks.probe_buffer(obj) == (True, False, kind, 16 // itemsize)


@pytest.mark.parametrize(
    "fmt, itemsize",
    [
        ("!i", 4), ("2i", 8), ("?", 1), ("Zd", 16), ("O", 8), ("", 1), ("<", 1), ("ii", 8), ("A", 1), ("r", 1),
        ("x", 1), ("c", 1),
        # the other byte order than the machine's: reading it natively would
        # compare raw bit patterns, so it is refused
        (">i", 4), (">d", 8), ("<>h", 2),
        # item size that disagrees with the letter
        ("i", 2), ("l", 4), ("d", 4), ("B", 2), ("h", 4),
    ],
)
def test_probe_buffer_refuses_unsupported_formats(fmt, itemsize):
    obj = hooks.make_buffer_exporter(b"\0" * 16, fmt, itemsize)
    assert hooks.probe_buffer(obj) == (False, True, 0, 0)


def test_probe_buffer_reads_a_null_format_as_unsigned_bytes():
    obj = hooks.make_buffer_exporter(b"abc", None, 1)
    assert hooks.probe_buffer(obj) == (True, False, UINT8, 3)
    obj = hooks.make_buffer_exporter(b"abcd", None, 2)  # 'B' demands one-byte items
    assert hooks.probe_buffer(obj) == (False, True, 0, 0)


def test_probe_buffer_numpy_arrays():
    np = pytest.importorskip("numpy")
    for dtype, kind in [(np.int8, INT8), (np.uint8, UINT8), (np.int16, INT16), (np.uint16, UINT16),
                        (np.int32, INT32), (np.uint32, UINT32), (np.int64, INT64), (np.uint64, UINT64),
                        (np.float16, FLOAT16), (np.float32, FLOAT32), (np.float64, FLOAT64)]:
        assert hooks.probe_buffer(np.zeros(3, dtype=dtype)) == (True, False, kind, 3)
    # non-contiguous: the request fails and no error stays pending
    assert hooks.probe_buffer(np.arange(10)[::2]) == (False, True, 0, 0)
    for bad in [np.zeros(2, dtype=bool), np.zeros(2, dtype=complex), np.array([object()]),
                np.zeros(2, dtype=">i4"), np.zeros(2, dtype=[("a", "<i4")])]:
        assert hooks.probe_buffer(bad) == (False, True, 0, 0)


@pytest.mark.parametrize(
    "obj, expected",
    [
        (b"", b""),
        (b"a\x00\xff", b"a\x00\xff"),
        (BytesSub(b"xy"), b"xy"),
        ("", b""),
        ("ab\u00e9", b"ab\xe9"),
        (StrSub("q"), b"q"),
        ("a\u20ac", None),  # two-byte storage leaves the byte path
        ("\U0001F600", None),
        ([1], None),
    ],
)
def test_raw_text_view(obj, expected):
    assert hooks.raw_text_view(obj) == expected


def test_collect_sequence_items():
    a, b = object(), (1, 2)
    got = hooks.collect_sequence_items([a, b], "query")
    assert got[0] is a and got[1] is b
    assert hooks.collect_sequence_items(b"ab", "query") == [97, 98]
    assert hooks.collect_sequence_items("ab", "query") == ["a", "b"]
    assert hooks.collect_sequence_items((x for x in range(3)), "target") == [0, 1, 2]
    it = iter([1, 2])
    assert hooks.collect_sequence_items(it, "target") == [1, 2]
    assert list(it) == []  # drained once
    assert hooks.collect_sequence_items({"k": 1}, "q") == ["k"]
    for name in ("query", "target", "whatever"):
        with pytest.raises(TypeError) as info:
            hooks.collect_sequence_items(5, name)
        assert str(info.value) == name + NOT_SEQUENCE


@pytest.mark.parametrize("targets", ["", "ab", StrSub("a"), b"", b"ab", BytesSub(b"a")])
def test_reject_single_text_targets_refuses_text(targets):
    with pytest.raises(TypeError) as info:
        hooks.reject_single_text_targets(targets)
    assert str(info.value) == SINGLE_TEXT


@pytest.mark.parametrize("targets", [["ab"], ("a", b"b"), bytearray(b"ab"), 5, {}])
def test_reject_single_text_targets_lets_others_pass(targets):
    assert hooks.reject_single_text_targets(targets) is None
