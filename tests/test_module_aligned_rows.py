"""fill_aligned_rows through the private test hooks, against the plain
Python rendering in tests/reference."""

import random

import pytest

from reference.input_preparation import render_rows

hooks = pytest.importorskip("veltrocamber._testhooks")


def rows(query, target, ops, qs=0, ts=0, **kwargs):
    consumed_q = sum(op != "I" for op in ops)
    consumed_t = sum(op != "D" for op in ops)
    r = hooks.fill_aligned_rows(query, target, 7, qs, qs + consumed_q, ts, ts + consumed_t, ops, **kwargs)
    assert (r.score, r.query_start, r.query_end, r.target_start, r.target_end, r.operations) == (
        7, qs, qs + consumed_q, ts, ts + consumed_t, ops)
    return r.aligned_query, r.aligned_target


class Box:
    def __init__(self, v):
        self.v = v

    def __eq__(self, other):
        return isinstance(other, Box) and self.v == other.v

    def __hash__(self):
        return hash(self.v)


@pytest.mark.parametrize(
    "query, target, ops, qs, ts, expected",
    [
        (b"abc", b"xyz", "=ID=", 0, 0, (b"a-bc", b"xy-z")),
        (b"\x00\xff", b"\xff", "D=", 0, 0, (b"\x00\xff", b"-\xff")),
        ("a\U0001F600c", "a\U0001F600", "==D", 0, 0, ("a\U0001F600c", "a\U0001F600-")),
        ("\u00e9\u20ac", "\u20ac", "D=", 0, 0, ("\u00e9\u20ac", "-\u20ac")),
        ("xyabcd", "abd", "==D=", 2, 0, ("abcd", "ab-d")),
        ("abc", "zzabc", "I=X", 1, 2, ("-bc", "abc")),
        (b"", b"", "", 0, 0, (b"", b"")),
        ("", "", "", 0, 0, ("", "")),
        ([], [], "", 0, 0, ((), ())),
        ("", "ab", "II", 0, 0, ("--", "ab")),
        # a lone surrogate is a symbol like any other and renders as itself
        ("a\ud800", "\ud800", "D=", 0, 0, ("a\ud800", "-\ud800")),
        ("\udfff", "\udfff", "=", 0, 0, ("\udfff", "\udfff")),
    ],
)
def test_row_examples(query, target, ops, qs, ts, expected):
    got = rows(query, target, ops, qs, ts)
    assert got == expected
    assert got == render_rows(query, target, qs, ts, ops)
    assert type(got[0]) is type(expected[0]) and type(got[1]) is type(expected[1])


def test_object_rows_hold_the_very_objects():
    q = [(1, 2), (3,), (4, 5)]
    t = [(1, 2), (9,)]
    aq, at = rows(q, t, "=DX")
    assert aq == ((1, 2), (3,), (4, 5)) and at == ((1, 2), None, (9,))
    assert all(a is b for a, b in zip(aq, q))
    assert at[0] is t[0] and at[2] is t[1]
    # items equal as dict keys are still handed back as given, not as the
    # first of their kind
    b1, b2, one = Box(1), Box(1), float(1)
    aq, at = rows([b1, one], [b2, True], "==")
    assert aq[0] is b1 and at[0] is b2 and aq[1] is one and at[1] is True


@pytest.mark.parametrize("width", [0, 16, 32, 64])
def test_rows_do_not_depend_on_the_kernel_width(width):
    for q, t in [(b"ab\xff", b"b\x80"), ("a\u00ff", "\u00ffb"), ("\u20aca", "a"), (["x", 2], [2])]:
        ops = "X=" if len(t) == 2 else "D="
        assert rows(q, t, ops, qs=len(q) - 2, width=width) == render_rows(q, t, len(q) - 2, 0, ops)


def test_random_rows_against_reference():
    rng = random.Random(105)
    alphabets = [b"ab\x00\xff", "ab\u00e9", "a\u20ac\ud83d", "a\U0001F600\U0010FFFF", [1, "a", (2,), None, 2.5]]
    for _ in range(300):
        alphabet = rng.choice(alphabets)
        q = alphabet[:0] if not isinstance(alphabet, list) else []
        t = q
        ops = "".join(rng.choice("=XID") for _ in range(rng.randrange(0, 12)))
        qs, ts = rng.randrange(0, 3), rng.randrange(0, 3)
        nq = qs + sum(op != "I" for op in ops) + rng.randrange(0, 2)
        nt = ts + sum(op != "D" for op in ops) + rng.randrange(0, 2)
        pick = lambda n: [rng.choice(alphabet) for _ in range(n)]
        if isinstance(alphabet, bytes):
            q, t = bytes(pick(nq)), bytes(pick(nt))
        elif isinstance(alphabet, str):
            q, t = "".join(pick(nq)), "".join(pick(nt))
        else:
            q, t = pick(nq), pick(nt)
        assert rows(q, t, ops, qs, ts) == render_rows(q, t, qs, ts, ops)


@pytest.mark.parametrize(
    "query, target, ops, qs, ts, message",
    [
        (b"ab", b"ab", "===", 0, 0, "alignment path runs past the end of the query"),
        (b"abc", b"abc", "D==", 0, 2, "alignment path runs past the end of the target"),
        ("ab", "ab", "=", 3, 0, "alignment path runs past the end of the query"),
        ("ab", "ab", "", 0, 3, "alignment path runs past the end of the target"),
        ("ab", "ab", "II=", 2, 0, "alignment path runs past the end of the query"),
        ([1], [1, 2], "=", 1, 0, "alignment path runs past the end of the query"),
        ([1], [1, 2], "I=", 0, 1, "alignment path runs past the end of the target"),
        ("a", "a", "=", 2**64 - 1, 0, "alignment path runs past the end of the query"),
    ],
)
def test_paths_running_past_a_side_are_refused(query, target, ops, qs, ts, message):
    with pytest.raises(RuntimeError) as info:
        hooks.fill_aligned_rows(query, target, 0, qs, qs, ts, ts, ops)
    assert str(info.value) == message


def test_end_positions_are_allowed():
    assert rows("ab", "ab", "", 2, 2) == ("", "")
    assert rows("ab", "ab", "I", 2, 1) == ("-", "b")


@pytest.mark.parametrize("force_width, message", [(12, "unsupported kernel width"), (0, "unsupported kernel width"),
                                                  (16, "std::get: wrong index for variant")])
def test_inconsistent_pairs_raise_runtime_error(force_width, message):
    with pytest.raises(RuntimeError) as info:
        hooks.fill_aligned_rows(b"ab", b"ab", 0, 0, 2, 0, 2, "==", force_width=force_width)
    assert str(info.value) == message
