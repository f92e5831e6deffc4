"""First looks at an argument: buffer probing, raw text views, sequence items."""

import array
import sys

import numpy as np
import pytest

INT8, UINT8, INT16, UINT16, INT32, UINT32, INT64, UINT64, FLOAT16, FLOAT32, FLOAT64 = range(1, 12)


@pytest.mark.parametrize(
    "obj, kind, count",
    [
        (bytearray(b"abc"), UINT8, 3),
        (memoryview(b"abcd"), UINT8, 4),
        (array.array("b", [1, 2]), INT8, 2),
        (array.array("i", [1, 2, 3]), INT32, 3),
        (array.array("q", [1]), INT64, 1),
        (array.array("d", [1.0, 2.0]), FLOAT64, 2),
        (np.arange(5, dtype=np.int16), INT16, 5),
        (np.arange(5, dtype=np.uint16), UINT16, 5),
        (np.arange(5, dtype=np.uint32), UINT32, 5),
        (np.arange(5, dtype=np.int64), INT64, 5),
        (np.arange(5, dtype=np.uint64), UINT64, 5),
        (np.zeros(2, dtype=np.float16), FLOAT16, 2),
        (np.zeros(2, dtype=np.float32), FLOAT32, 2),
        (np.zeros((2, 3), dtype=np.uint8), UINT8, 6),
        (np.zeros(4, dtype="<i4"), INT32, 4),
        (np.zeros(4, dtype="=i8"), INT64, 4),
    ],
)
def test_probe_accepts_supported_buffers(hooks, obj, kind, count):
    assert hooks.probe_buffer(obj) == (True, False, kind, count)


@pytest.mark.parametrize(
    "obj",
    [
        np.arange(10, dtype=np.int32)[::2],  # not contiguous
        np.zeros(2, dtype=np.bool_),
        np.zeros(2, dtype=np.complex128),
        np.zeros(2, dtype=object),
        np.zeros(2, dtype=[("a", "i4"), ("b", "f8")]),
        np.zeros(3, dtype=">i4"),  # foreign byte order would be read as native
        np.zeros(3, dtype=">f8"),
        memoryview(b"\0" * 8).cast("?"),
    ],
)
def test_probe_refuses_unusable_buffers(hooks, obj):
    assert hooks.probe_buffer(obj) == (False, True, 0, 0)
    assert sys.exc_info() == (None, None, None)


@pytest.mark.parametrize("obj", [b"bytes", "str", 12, [1, 2], object()])
def test_probe_skips_text_and_non_buffers(hooks, obj):
    assert hooks.probe_buffer(obj) == (False, False, 0, 0)


@pytest.mark.parametrize(
    "obj, expected",
    [
        (b"ab\x00c", b"ab\x00c"),
        (b"", b""),
        ("", b""),
        ("caf\xe9", b"caf\xe9"),  # a one-byte str is seen by its code units
        (bytearray(b"x"), None),
        ("\u0100", None),
        ("\U0001f600", None),
    ],
)
def test_raw_text_view(hooks, obj, expected):
    assert hooks.raw_text_view(obj) == expected


def test_raw_text_view_of_subclasses(hooks):
    class B(bytes):
        pass

    class S(str):
        pass

    assert hooks.raw_text_view(B(b"xy")) == b"xy"
    assert hooks.raw_text_view(S("xy")) == b"xy"


def test_collect_sequence_items(hooks):
    items = [object(), (1, 2), "s"]
    got = hooks.collect_sequence_items(items, "query")
    assert all(a is b for a, b in zip(got, items)) and len(got) == 3
    assert hooks.collect_sequence_items(b"ab", "query") == [97, 98]
    assert hooks.collect_sequence_items("ab", "query") == ["a", "b"]
    gen = (i for i in range(3))
    assert hooks.collect_sequence_items(gen, "query") == [0, 1, 2]
    assert list(gen) == []


def test_collect_sequence_items_message(hooks):
    with pytest.raises(TypeError) as info:
        hooks.collect_sequence_items(5, "target")
    assert str(info.value) == "target must be bytes, str, or a sequence of immutable hashable objects"


@pytest.mark.parametrize("targets", ["abc", b"abc", type("S", (str,), {})("x")])
def test_reject_single_text_targets(hooks, targets):
    with pytest.raises(TypeError) as info:
        hooks.reject_single_text_targets(targets)
    assert str(info.value) == "targets must be an iterable of target sequences, not a single str/bytes"


def test_reject_single_text_targets_lets_collections_pass(hooks):
    for targets in (["abc"], ("a",), iter([b"x"]), bytearray(b"x")):
        assert hooks.reject_single_text_targets(targets) is None


# Buffers with a chosen format string and item size, exported by a test hook,
# reach the cases no ordinary object produces: every format letter, byte-order
# prefixes, a NULL format and an item size that disagrees with the letter.

NATIVE_FORMATS = [
    ("b", 1, INT8), ("B", 1, UINT8), ("h", 2, INT16), ("H", 2, UINT16), ("i", 4, INT32), ("I", 4, UINT32),
    ("l", 8, INT64), ("q", 8, INT64), ("L", 8, UINT64), ("Q", 8, UINT64), ("e", 2, FLOAT16), ("f", 4, FLOAT32),
    ("d", 8, FLOAT64), ("<i", 4, INT32), ("=q", 8, INT64), ("@h", 2, INT16), ("|B", 1, UINT8), ("<<d", 8, FLOAT64),
]


@pytest.mark.parametrize("fmt, itemsize, kind", NATIVE_FORMATS)
def test_probe_buffer_format_letters(hooks, fmt, itemsize, kind):
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
def test_probe_buffer_refuses_unsupported_formats(hooks, fmt, itemsize):
    obj = hooks.make_buffer_exporter(b"\0" * 16, fmt, itemsize)
    assert hooks.probe_buffer(obj) == (False, True, 0, 0)
    assert sys.exc_info() == (None, None, None)


def test_probe_buffer_reads_a_null_format_as_unsigned_bytes(hooks):
    obj = hooks.make_buffer_exporter(b"abc", None, 1)
    assert hooks.probe_buffer(obj) == (True, False, UINT8, 3)
    obj = hooks.make_buffer_exporter(b"abcd", None, 2)  # 'B' demands one-byte items
    assert hooks.probe_buffer(obj) == (False, True, 0, 0)


def test_collect_sequence_items_drains_iterators_once(hooks):
    it = iter([1, 2])
    assert hooks.collect_sequence_items(it, "target") == [1, 2]
    assert list(it) == []
    assert hooks.collect_sequence_items({"k": 1}, "q") == ["k"]
    for name in ("query", "whatever"):
        with pytest.raises(TypeError) as info:
            hooks.collect_sequence_items(5, name)
        assert str(info.value) == name + " must be bytes, str, or a sequence of immutable hashable objects"
