"""Token vectors, width dispatch, preprocess and the kernel-width rule,
checked through the private test hooks against tests/reference."""

import array
import random

import pytest

from reference.input_preparation import (
    BAD_WIDTH,
    BOUND_OVERFLOW,
    NARROWER,
    kernel_width,
    number_objects,
    str_code_units,
)

hooks = pytest.importorskip("veltrocamber._testhooks")

BYTES_VS_STR = "bytes and str inputs cannot be aligned directly against each other"
NDARRAY = (
    "ndarray inputs are only supported on the score-only path (smith_waterman_score / needleman_wunsch_score); "
    "traceback / path / cigar variants do not yet support ndarray inputs"
)
NOT_SEQUENCE = " must be bytes, str, or a sequence of immutable hashable objects"
TOO_MANY_OBJECTS = "too many unique objects to serialize into 64-bit tokens"
WIDTHS = (8, 16, 32, 64)


class BytesSub(bytes):
    pass


class StrSub(str):
    pass


# ---------------------------------------------------------------- token vectors


@pytest.mark.parametrize("width", WIDTHS)
def test_token_count_counts_every_alternative(width):
    assert hooks.token_count(width, []) == 0
    assert hooks.token_count(width, [1, 2, 3, 0]) == 4


@pytest.mark.parametrize("source_width", WIDTHS)
@pytest.mark.parametrize("width", WIDTHS)
def test_convert_token_width_widens_and_narrows_by_low_bits(source_width, width):
    rng = random.Random(source_width * 100 + width)
    values = [rng.randrange(1 << source_width) for _ in range(50)] + [0, (1 << source_width) - 1]
    got_width, got = hooks.convert_token_width(source_width, values, width)
    assert got_width == width
    assert got == [v & ((1 << width) - 1) for v in values]


@pytest.mark.parametrize(
    "source_width, values, width, expected",
    [
        (16, [0x1234], 8, [0x34]),
        (8, [0xFF], 64, [0xFF]),
        (64, [], 16, []),
        (32, [], 32, []),
    ],
)
def test_convert_token_width_examples(source_width, values, width, expected):
    assert hooks.convert_token_width(source_width, values, width) == (width, expected)


@pytest.mark.parametrize("width", [0, 1, 12, 63, 128, 2**40])
def test_convert_token_width_refuses_other_widths_with_type_error(width):
    with pytest.raises(TypeError, match="^unsupported kernel bit width$"):
        hooks.convert_token_width(8, [1], width)


@pytest.mark.parametrize("query_width", WIDTHS)
@pytest.mark.parametrize("target_width", WIDTHS)
def test_token_width_dispatch_diagonal_only(query_width, target_width):
    if query_width == target_width:
        assert hooks.token_width_dispatch(query_width, [1, 2], target_width, [3]) == (query_width, 2, 1)
    else:
        with pytest.raises(RuntimeError, match="^hooked: mismatched token widths from preprocess$"):
            hooks.token_width_dispatch(query_width, [1, 2], target_width, [3])


# ---------------------------------------------------------------- input kinds


def gen(items):
    return (x for x in items)


# (query, target, kind, width, max_token, query tokens, target tokens)
KIND_CASES = [
    (b"", b"", 0, 8, 0, [], []),
    ("", "", 1, 8, 0, [], []),
    ([], [], 2, 8, 0, [], []),
    ((), [], 2, 8, 0, [], []),
    (b"ab", b"\xff\x00", 0, 8, 255, [0x61, 0x62], [0xFF, 0]),
    (BytesSub(b"ab"), b"b", 0, 8, 0x62, [0x61, 0x62], [0x62]),
    ("ab", StrSub("ba"), 1, 8, 0x62, [0x61, 0x62], [0x62, 0x61]),
    ("\u00e9", "a", 1, 8, 0xE9, [0xE9], [0x61]),
    ("a\u20ac", "a", 1, 16, 0x20AC, [0x61, 0x20AC], [0x61]),
    ("a", "\U0001F600b", 1, 32, 0x1F600, [0x61], [0x1F600, 0x62]),
    ("\ud800", "", 1, 16, 0xD800, [0xD800], []),  # a lone surrogate is just a code unit here
    (b"ab", [97, 98], 2, 8, 2, [1, 2], [1, 2]),
    ("ab", ["a", "b"], 2, 8, 2, [1, 2], [1, 2]),
    ([1, 1.0, True], [], 2, 8, 1, [1, 1, 1], []),
    ([0.0], [-0.0], 2, 8, 1, [1], [1]),
    (["x", "y"], ("z", "x"), 2, 8, 3, [1, 2], [3, 1]),
    (gen(["a", "b", "a"]), gen(["c"]), 2, 8, 3, [1, 2, 1], [3]),
    ([None, (1, 2), frozenset()], [(1, 2), None], 2, 8, 3, [1, 2, 3], [2, 1]),
]


@pytest.mark.parametrize("query, target, kind, width, max_token, qtok, ttok", KIND_CASES)
def test_preprocess_input_kinds(query, target, kind, width, max_token, qtok, ttok):
    pair = hooks.preprocess(query, target)
    assert pair["kind"] == kind
    assert pair["width"] == width
    assert pair["max_token"] == max_token
    assert pair["query"] == (width, qtok)
    assert pair["target"] == (width, ttok)
    n = len(qtok) + len(ttok)
    assert pair["score_bound"] == n
    if kind != 2:
        assert pair["query_items"] == [] and pair["target_items"] == []


def test_object_road_keeps_the_callers_objects():
    a, b, c = (1, 2), (1, 2), ("x",)
    pair = hooks.preprocess([a, c], [b])
    assert pair["query"] == (8, [1, 2]) and pair["target"] == (8, [1])
    assert [x is y for x, y in zip(pair["query_items"], [a, c])] == [True, True]
    assert pair["target_items"][0] is b


def test_object_road_with_many_objects_widens_for_the_token():
    # Scoring values of 0 leave the bound at 0, so only the tokens decide.
    for count, width in [(255, 8), (256, 16), (65535, 16), (65536, 32)]:
        pair = hooks.preprocess(list(range(count)), [], 0, 0, 0, 0)
        assert pair["score_bound"] == 0
        assert pair["width"] == width
        assert pair["max_token"] == count
        assert pair["query"][1][-1] == count


def test_random_pairs_against_reference():
    rng = random.Random(20261210)
    alphabets = ["ab", "abc\u00e9\u00ff", "a\u0100\u20ac", "a\U0001F600\U00010000\u00e9"]
    for _ in range(200):
        qa, ta = rng.choice(alphabets), rng.choice(alphabets)
        q = "".join(rng.choice(qa) for _ in range(rng.randrange(0, 12)))
        t = "".join(rng.choice(ta) for _ in range(rng.randrange(0, 12)))
        pair = hooks.preprocess(q, t)
        qu, tu = str_code_units(q), str_code_units(t)
        top = max(qu + tu, default=0)
        token_width = 8 if top < 256 else 16 if top < 65536 else 32
        assert pair["width"] == kernel_width((1, -1, -1, -1), len(q) + len(t), token_width)[1]
        assert pair["query"] == (pair["width"], qu)
        assert pair["target"] == (pair["width"], tu)
        assert pair["max_token"] == top
        items = [1, 1.0, True, 2, "a", b"a", (1,), None, 0.0, -0.0, 3.5]
        qo = [rng.choice(items) for _ in range(rng.randrange(0, 10))]
        to = [rng.choice(items) for _ in range(rng.randrange(0, 10))]
        pair = hooks.preprocess(qo, to)
        rq, rt, distinct = number_objects(qo, to)
        assert pair["query"][1] == rq and pair["target"][1] == rt and pair["max_token"] == distinct


@pytest.mark.parametrize("total, width", [(127, 8), (128, 16), (32767, 16), (32768, 32)])
def test_edit_distance_values_choose_width_by_total_length(total, width):
    q = "a" * (total // 2)
    t = "b" * (total - total // 2)
    pair = hooks.preprocess(q, t)
    assert pair["width"] == width
    assert pair["score_bound"] == total
    assert pair["query"][0] == pair["target"][0] == width


def test_tokens_from_str_keeps_storage_width():
    assert hooks.tokens_from_str("") == ((8, []), 0)
    assert hooks.tokens_from_str("az\u00ff") == ((8, [0x61, 0x7A, 0xFF]), 0xFF)
    assert hooks.tokens_from_str("a\u0100") == ((16, [0x61, 0x100]), 0x100)
    assert hooks.tokens_from_str("\U0010FFFFa") == ((32, [0x10FFFF, 0x61]), 0x10FFFF)


# ---------------------------------------------------------------- refusals


def noncontiguous():
    np = pytest.importorskip("numpy")
    return np.arange(10, dtype=np.int32)[::2]


def numpy_array():
    np = pytest.importorskip("numpy")
    return np.array([1, 2], dtype=np.int64)


@pytest.mark.parametrize(
    "make_query, make_target, exc, message",
    [
        (lambda: b"a", lambda: "a", TypeError, BYTES_VS_STR),
        (lambda: StrSub("a"), lambda: BytesSub(b"a"), TypeError, BYTES_VS_STR),
        (lambda: b"", lambda: "", TypeError, BYTES_VS_STR),
        (lambda: bytearray(b"a"), lambda: b"a", TypeError, NDARRAY),
        (lambda: "a", lambda: bytearray(b"a"), TypeError, NDARRAY),
        (lambda: memoryview(b"ab"), lambda: [1], TypeError, NDARRAY),
        (lambda: array.array("i", [1]), lambda: [1], TypeError, NDARRAY),
        (numpy_array, lambda: "ab", TypeError, NDARRAY),
        (noncontiguous, lambda: [1], TypeError, NDARRAY),  # a refused buffer request counts too
        (lambda: memoryview(b"ab").cast("B", (1, 2))[::1], lambda: [1], TypeError, NDARRAY),
        # the buffer check of both sides comes before the object road
        (lambda: 5, numpy_array, TypeError, NDARRAY),
        (lambda: 5, lambda: "a", TypeError, "query" + NOT_SEQUENCE),
        (lambda: ["a"], lambda: 5, TypeError, "target" + NOT_SEQUENCE),
        (lambda: 5, lambda: 6, TypeError, "query" + NOT_SEQUENCE),
        (lambda: [[1]], lambda: [], TypeError, "unhashable type: 'list'"),
        (lambda: [1], lambda: [{}], TypeError, "unhashable type: 'dict'"),
        # both sides are collected before any item is interned
        (lambda: [[1]], lambda: 5, TypeError, "target" + NOT_SEQUENCE),
    ],
)
def test_preprocess_refusals_in_order(make_query, make_target, exc, message):
    with pytest.raises(exc) as info:
        hooks.preprocess(make_query(), make_target())
    assert str(info.value) == message


def test_mixed_text_is_refused_before_the_width_check():
    with pytest.raises(TypeError, match=BYTES_VS_STR):
        hooks.preprocess(b"a", "a", width=12)


@pytest.mark.parametrize(
    "query, target, kwargs, expected",
    [
        ("ab", "ab", {"width": 16}, (4, 16)),
        ("ab", "ab", {"width": 64}, (4, 64)),
        ("a" * 100, "b" * 100, {"width": 16}, (200, 16)),
        ("\u20ac", "", {"width": 32}, (1, 32)),
        (b"ab", b"", {"width": 8}, (2, 8)),
        ([1, 2], [3], {"width": 32}, (3, 32)),
        ("a", "", {"match": -(2**62), "width": 64}, (2**62, 64)),
        ("", "", {"match": -(2**63), "width": 8}, (0, 8)),  # empty pair: bound 0
        ("ab", "c", {"match": 0, "mismatch": 0, "gap_open": 0, "gap_extend": 0}, (0, 8)),
    ],
)
def test_preprocess_width_requests(query, target, kwargs, expected):
    pair = hooks.preprocess(query, target, **kwargs)
    assert (pair["score_bound"], pair["width"]) == expected
    assert pair["query"][0] == pair["target"][0] == expected[1]


@pytest.mark.parametrize(
    "query, target, kwargs, exc, message",
    [
        ("a" * 100, "b" * 100, {"width": 8}, ValueError, NARROWER),
        ("\u20ac", "", {"width": 8}, ValueError, NARROWER),
        ("\U0001F600", "", {"width": 16}, ValueError, NARROWER),
        ("ab", "", {"width": 12}, ValueError, BAD_WIDTH),
        ("", "", {"width": 1}, ValueError, BAD_WIDTH),
        ("a", "", {"match": -(2**63)}, OverflowError, BOUND_OVERFLOW),
        ("a", "", {"match": -(2**63), "width": 12}, OverflowError, BOUND_OVERFLOW),
        ("ab", "", {"gap_extend": 2**62, "width": 64}, OverflowError, BOUND_OVERFLOW),
        # the items are interned before the width is chosen
        ([[1]], [], {"match": -(2**63)}, TypeError, "unhashable type: 'list'"),
    ],
)
def test_preprocess_width_refusals(query, target, kwargs, exc, message):
    with pytest.raises(exc) as info:
        hooks.preprocess(query, target, **kwargs)
    assert str(info.value) == message


# ---------------------------------------------------------------- width rule


WIDTH_RULE_CASES = [
    # (scoring values, n, max token, token values matter, requested)
    ((1, -1, -1, -1), 0, 0, False, 0),
    ((0, 0, 0, 0), 10**6, 0, False, 0),
    ((2**62, 0, 0, 0), 0, 0, False, 0),
    ((1, -1, -1, -1), 127, 0, False, 0),
    ((1, -1, -1, -1), 128, 0, False, 0),
    ((-1, 0, 0, 0), 32767, 0, False, 0),
    ((0, 0, 0, -1), 32768, 0, False, 0),
    ((0, 1, 0, 0), 2**31 - 1, 0, False, 0),
    ((0, 1, 0, 0), 2**31, 0, False, 0),
    ((2, 0, 0, 0), 2**30, 0, False, 0),
    ((1, 0, 0, 0), 2**63 - 1, 0, False, 0),
    ((1, 0, 0, 0), 2**63, 0, False, 0),
    ((2**32, 0, 0, 0), 2**31, 0, False, 0),
    ((2**32, 0, 0, 0), 2**32, 0, False, 0),
    ((-(2**63), 0, 0, 0), 1, 0, False, 0),
    ((2**63 - 1, 0, 0, 0), 1, 0, False, 0),
    ((2**63 - 1, 0, 0, 0), 2, 0, False, 0),
    ((2**63 - 1, 0, 0, 0), 2**64 - 1, 0, False, 64),
    ((1, -1, -1, -1), 2**64 - 1, 0, False, 0),
    ((1, -1, -1, -1), 4, 255, True, 0),
    ((1, -1, -1, -1), 4, 256, True, 0),
    ((1, -1, -1, -1), 4, 65535, True, 0),
    ((1, -1, -1, -1), 4, 65536, True, 0),
    ((1, -1, -1, -1), 4, 2**32 - 1, True, 0),
    ((1, -1, -1, -1), 4, 2**32, True, 0),
    ((1, -1, -1, -1), 4, 2**32, False, 0),
    ((1, -1, -1, -1), 128, 0, False, 8),
    ((1, -1, -1, -1), 128, 0, False, 16),
    ((1, -1, -1, -1), 128, 0, False, 32),
    ((1, -1, -1, -1), 2**40, 0, False, 32),
    ((1, -1, -1, -1), 2**40, 0, False, 64),
    ((1, -1, -1, -1), 4, 2**40, True, 32),
    ((1, -1, -1, -1), 4, 2**40, True, 64),
    ((1, -1, -1, -1), 4, 0, False, 12),
    ((1, -1, -1, -1), 4, 0, False, 2**32 + 8),
    ((-(2**63), 0, 0, 0), 1, 0, False, 12),
]


@pytest.mark.parametrize("values, n, max_token, matters, requested", WIDTH_RULE_CASES)
def test_kernel_width_rule_against_reference(values, n, max_token, matters, requested):
    token_width = 8
    if matters:
        token_width = next(w for w in (8, 16, 32, 64) if w == 64 or max_token < (1 << w))
    try:
        expected = kernel_width(values, n, token_width, requested)
    except (ValueError, OverflowError) as e:
        with pytest.raises(type(e)) as info:
            hooks.select_kernel_width(*values, n, max_token, matters, requested)
        assert str(info.value) == str(e)
    else:
        assert hooks.select_kernel_width(*values, n, max_token, matters, requested) == expected


def test_object_numbering_exhaustion():
    last = 2**64 - 1
    # the last number is handed out; the next new object has none left
    assert hooks.number_items(["a", "a"], ["a"], last - 1) == ([last, last], [last], last)
    with pytest.raises(OverflowError) as info:
        hooks.number_items(["a"], ["b"], last - 1)
    assert str(info.value) == TOO_MANY_OBJECTS
    assert hooks.number_items([], [], last) == ([], [], last)
