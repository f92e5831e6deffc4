"""preprocess_farrar: 8-bit symbol codes, the alphabet limits, the array
road and its refusals, checked against tests/reference."""

import random
import threading

import pytest

from reference.input_preparation import BAD_WIDTH, BOUND_OVERFLOW, NARROWER, dense_codes, float_keys, kernel_width

hooks = pytest.importorskip("veltrocamber._testhooks")

BYTES_VS_STR = "bytes and str inputs cannot be aligned directly against each other"
DTYPE = (
    "ndarray dtype is not supported for alignment; supported dtypes are int8/16/32/64, uint8/16/32/64, and "
    "float16/32/64. Object-dtype arrays, record dtypes, and non-contiguous arrays are rejected — use a list for "
    "object-typed sequences"
)
MIXING = (
    "ndarray inputs can only align against another ndarray of the same dtype; mixing ndarray with "
    "bytes/str/sequence is not supported"
)
SAME_DTYPE = "ndarray query and target must share the same dtype"
TOO_MANY = "Farrar token channel supports at most 256 distinct symbols"
TOO_MANY_ARRAY = (
    "ndarray alignment supports at most 256 distinct symbols across query+target in this release; "
    "tokenise inputs to uint8 if you need a smaller alphabet"
)
NOT_SEQUENCE = " must be bytes, str, or a sequence of immutable hashable objects"


class BytesSub(bytes):
    pass


class StrSub(str):
    pass


def channel(query, target, **kwargs):
    c = hooks.preprocess_farrar(query, target, **kwargs)
    return c["query"], c["target"], c["alphabet_size"]


@pytest.mark.parametrize(
    "query, target, expected",
    [
        (b"", b"", ([], [], 0)),
        ("", "", ([], [], 0)),
        ([], (), ([], [], 0)),
        (b"\x00\xff", b"\xff", ([0, 255], [255], 2)),
        (BytesSub(b"zz"), b"a", ([0x7A, 0x7A], [0x61], 2)),
        ("ba", "ab", ([0, 1], [1, 0], 2)),
        ("ba", StrSub("ab"), ([0, 1], [1, 0], 2)),
        ("a\u20ac", "a", ([0, 1], [0], 2)),
        ("a\U0001F600", "a", ([0, 1], [0], 2)),
        ("a", "\U0001F600\u20aca", ([0], [1, 2, 0], 3)),
        ("\u00ff\u00e9", "\u0100", ([0, 1], [2], 3)),
        ([1, 1.0, True], ["x"], ([0, 0, 0], [1], 2)),
        ([0.0], [-0.0], ([0], [0], 1)),  # one symbol by dictionary equality
        (b"ab", [97, 1], ([0, 1], [0, 2], 3)),
        ("ab", ["b", "c"], ([0, 1], [1, 2], 3)),
        ((x for x in "xyx"), ["y"], ([0, 1, 0], [1], 2)),
    ],
)
def test_codes_by_input_kind(query, target, expected):
    assert channel(query, target) == expected


def test_random_strings_against_reference():
    rng = random.Random(7)
    alphabets = ["abc", "a\u00e9\u00ff", "a\u0100\u20ac\uffff", "a\U0001F600\U0010FFFF\u20ac"]
    for _ in range(300):
        q = "".join(rng.choice(rng.choice(alphabets)) for _ in range(rng.randrange(0, 15)))
        t = "".join(rng.choice(rng.choice(alphabets)) for _ in range(rng.randrange(0, 15)))
        assert channel(q, t) == dense_codes(q, t)


def test_direct_table_is_reset_between_calls():
    # Each call must start from an empty table, whatever the previous call
    # on this thread left in it, also after a call that failed half-way.
    assert channel("xyz", "zy") == ([0, 1, 2], [2, 1], 3)
    assert channel("zyx", "") == ([0, 1, 2], [], 3)
    with pytest.raises(ValueError):
        hooks.preprocess_farrar("".join(map(chr, range(300))), "")
    assert channel("\u00ff", "x") == ([0], [1], 2)
    with pytest.raises(ValueError):
        hooks.preprocess_farrar("".join(map(chr, range(0x100, 0x300))), "")
    assert channel("\u0200\u0100", "\u0100") == ([0, 1], [1], 2)
    assert channel("b", "a") == ([0], [1], 2)


def test_direct_tables_per_thread():
    results = []

    def work():
        for _ in range(3):
            results.append(channel("ab\u20ac", "\u20acc"))

    threads = [threading.Thread(target=work) for _ in range(4)]
    for th in threads:
        th.start()
    for th in threads:
        th.join()
    assert results == [([0, 1, 2], [2, 3], 4)] * 12


def test_direct_codes_with_own_table():
    assert hooks.str_codes_direct(300, "ba", "a\u00ff") == ([0, 1], [1, 2], 3)
    assert hooks.str_codes_direct(256, "ba", "a") == ([0, 1], [1], 2)
    assert hooks.str_codes_direct(65536, "b\u0101", "a") == ([0, 1], [2], 3)


@pytest.mark.parametrize(
    "s, size", [("", 256), ("abc", 256), ("\u00ff", 256), ("a\u0100", 65536), ("\U0001F600", 0), (StrSub("a"), 256)]
)
def test_direct_unicode_lookup_size(s, size):
    assert hooks.direct_unicode_lookup_size(s) == size


def distinct_chars(first, count):
    return "".join(chr(first + i) for i in range(count))


@pytest.mark.parametrize("first", [0, 0x100, 0x10000, 0x1F000 - 100])
def test_symbol_limit_on_strings(first):
    s = distinct_chars(first, 256)
    q, t, size = channel(s[:100], s[100:] + s[:3])
    assert size == 256 and q + t == list(range(256)) + [0, 1, 2]
    # the symbol limit is met before the requested width is examined
    for width in (0, 12):
        with pytest.raises(ValueError) as info:
            channel(s[:100], s[100:] + chr(first + 256), width=width)
        assert str(info.value) == TOO_MANY


def test_symbol_limit_on_objects():
    items = [("o", i) for i in range(256)]
    q, t, size = channel(items[:10], items[10:])
    assert size == 256 and q + t == list(range(256))
    with pytest.raises(ValueError) as info:
        channel(items, [("o", 256)])
    assert str(info.value) == TOO_MANY


# ---------------------------------------------------------------- arrays

np = pytest.importorskip("numpy")

INT_DTYPES = ["int16", "uint16", "int32", "uint32", "int64", "uint64"]
FLOAT_DTYPES = ["float16", "float32", "float64"]


@pytest.mark.parametrize("dtype", ["int8", "uint8"])
def test_byte_arrays_keep_their_bytes(dtype):
    q = np.array([-1, 0, 5, 127] if dtype == "int8" else [255, 0, 5, 127], dtype=dtype)
    t = np.array([5, 5], dtype=dtype)
    assert channel(q, t) == ([255, 0, 5, 127], [5, 5], 4)
    # 256 distinct byte values are fine, never a ValueError
    every = np.arange(256).astype(np.uint8).view(dtype)
    assert channel(every, every)[2] == 256


def test_bytearray_pair_is_the_byte_road():
    assert channel(bytearray(b"\x00\xff"), memoryview(b"\xff")) == ([0, 255], [255], 2)


@pytest.mark.parametrize("dtype", INT_DTYPES)
def test_integer_arrays_get_dense_codes(dtype):
    rng = random.Random(dtype)
    info = np.iinfo(dtype)
    pool = [info.min, info.max, 0, 1] + [rng.randrange(int(info.min), int(info.max) + 1) for _ in range(20)]
    q = [rng.choice(pool) for _ in range(30)]
    t = [rng.choice(pool) for _ in range(30)]
    assert channel(np.array(q, dtype=dtype), np.array(t, dtype=dtype)) == dense_codes(q, t)


@pytest.mark.parametrize("dtype, fmt", [("float16", "e"), ("float32", "f"), ("float64", "d")])
def test_float_arrays_are_told_apart_by_bit_pattern(dtype, fmt):
    q = [0.0, -0.0, 1.5, float("inf"), 0.0]
    t = [-0.0, 1.5, float("-inf")]
    got = channel(np.array(q, dtype=dtype), np.array(t, dtype=dtype))
    assert got == dense_codes(float_keys(q, fmt), float_keys(t, fmt))
    assert got[0][:2] == [0, 1]  # 0.0 and -0.0 are two symbols


@pytest.mark.parametrize("dtype", INT_DTYPES[2:] + FLOAT_DTYPES[1:] + ["int16"])
def test_array_symbol_limit(dtype):
    values = np.arange(257).astype(dtype)
    assert channel(values[:256], values[:10])[2] == 256
    with pytest.raises(ValueError) as info:
        channel(values[:200], values[200:])
    assert str(info.value) == TOO_MANY_ARRAY


@pytest.mark.parametrize(
    "make_query, make_target, exc, message",
    [
        (lambda: b"a", lambda: "a", TypeError, BYTES_VS_STR),
        (lambda: "a", lambda: BytesSub(b"a"), TypeError, BYTES_VS_STR),
        (lambda: np.zeros(2, bool), lambda: np.zeros(2, bool), TypeError, DTYPE),
        (lambda: np.zeros(2, "int32"), lambda: np.zeros(2, bool), TypeError, DTYPE),
        (lambda: np.zeros(2, complex), lambda: [1], TypeError, DTYPE),  # dtype before mixing
        (lambda: "ab", lambda: np.array([object()]), TypeError, DTYPE),
        (lambda: np.arange(10, dtype="int32")[::2], lambda: np.zeros(2, "int32"), TypeError, DTYPE),
        (lambda: np.zeros(2, [("a", "<i4")]), lambda: np.zeros(2, [("a", "<i4")]), TypeError, DTYPE),
        # foreign byte order is refused rather than read as raw bit patterns
        (lambda: np.array([1, 2], ">i4"), lambda: np.array([1, 2], "<i4"), TypeError, DTYPE),
        (lambda: np.array([1.0], "<f8"), lambda: np.array([1.0], ">f8"), TypeError, DTYPE),
        # item size disagreeing with the format letter
        (lambda: hooks.make_buffer_exporter(b"\0" * 8, "i", 2), lambda: np.zeros(2, "int32"), TypeError, DTYPE),
        (lambda: np.zeros(2, "int16"), lambda: np.zeros(2, "int32"), TypeError, SAME_DTYPE),
        (lambda: np.zeros(2, "float32"), lambda: np.zeros(2, "uint32"), TypeError, SAME_DTYPE),
        (lambda: np.zeros(2, "int8"), lambda: np.zeros(2, "uint8"), TypeError, SAME_DTYPE),
        (lambda: np.zeros(2, "int32"), lambda: [1, 2], TypeError, MIXING),
        (lambda: [1, 2], lambda: np.zeros(2, "int32"), TypeError, MIXING),
        (lambda: b"ab", lambda: bytearray(b"ab"), TypeError, MIXING),
        (lambda: "ab", lambda: np.zeros(2, "uint8"), TypeError, MIXING),
        (lambda: 5, lambda: [1], TypeError, "query" + NOT_SEQUENCE),
        (lambda: [1], lambda: 5, TypeError, "target" + NOT_SEQUENCE),
        (lambda: [[1]], lambda: [1], TypeError, "unhashable type: 'list'"),
        (lambda: [[1]], lambda: 5, TypeError, "target" + NOT_SEQUENCE),  # both collected first
        (lambda: 5, lambda: np.zeros(2, "int32"), TypeError, MIXING),  # buffers before the object road
    ],
)
def test_refusals_in_order(make_query, make_target, exc, message):
    with pytest.raises(exc) as info:
        hooks.preprocess_farrar(make_query(), make_target())
    assert str(info.value) == message


def test_null_format_buffer_is_read_as_bytes():
    q = hooks.make_buffer_exporter(b"\x01\xfe", None, 1)
    assert channel(q, np.array([254], "uint8")) == ([1, 254], [254], 2)


# ---------------------------------------------------------------- width


@pytest.mark.parametrize(
    "query, target, kwargs",
    [
        ("", "", {}),
        (b"", b"", {"match": -(2**63)}),
        ("ab", "ab", {}),
        ("a" * 30, "b" * 34, {"match": 2}),  # 2 x 64 = 128: width 16
        ("a" * 31, "b" * 32, {"match": 2}),
        ("ab", "ab", {"width": 16}),
        ("ab", "ab", {"width": 64}),
        ("a" * 100, "b", {"width": 8}),
        ("ab", "", {"width": 12}),
        ("a", "", {"match": -(2**63)}),
        ("a", "", {"match": -(2**63), "width": 12}),
        ("\U0001F600", "", {"width": 8}),  # the token values never widen the channel
        (np.zeros(40000, "int32"), np.zeros(1, "int32"), {"match": 1}),
        ([1] * 3, [2], {"gap_open": -(2**61), "gap_extend": 5}),
    ],
)
def test_width_against_reference(query, target, kwargs):
    values = (kwargs.get("match", 2), kwargs.get("mismatch", -1), kwargs.get("gap_open", -1),
              kwargs.get("gap_extend", -1))
    n = len(query) + len(target)
    try:
        bound, width = kernel_width(values, n, 8, kwargs.get("width", 0))
    except (ValueError, OverflowError) as e:
        assert str(e) in (BAD_WIDTH, BOUND_OVERFLOW, NARROWER)
        with pytest.raises(type(e)) as info:
            hooks.preprocess_farrar(query, target, **kwargs)
        assert str(info.value) == str(e)
    else:
        c = hooks.preprocess_farrar(query, target, **kwargs)
        assert (c["score_bound"], c["width"]) == (bound, width)
