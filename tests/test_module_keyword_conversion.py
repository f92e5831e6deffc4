"""The integer keywords that the bodies convert themselves (score_cutoff,
gap_open_score, gap_extend_score, width, DTW's window): a wrong type raises
TypeError naming the function and the argument, an int out of range
OverflowError with the range, and an error of __index__ itself propagates."""

import numpy as np
import pytest

from veltrocamber import _swar

F64 = np.array([1.0, 2.0, 3.0])
INT64 = "between -9223372036854775808 and 9223372036854775807"
UINT32 = "between 0 and 4294967295"


def pair(fn):
    return lambda **kw: fn("ACGT", "AGT", **kw)


def batch(fn):
    return lambda **kw: fn("ACGT", ["AGT", "CG"], **kw)


def prepared(**kw):
    return _swar._levenshtein_score_prepared(_swar._prepare_levenshtein_score(b"ACGT"), b"AGT", **kw)


LEVENSHTEIN = [
    ("levenshtein_score", pair(_swar.levenshtein_score)),
    ("levenshtein_normalized_score", pair(_swar.levenshtein_normalized_score)),
    ("levenshtein_scores", batch(_swar.levenshtein_scores)),
    ("levenshtein_normalized_scores", batch(_swar.levenshtein_normalized_scores)),
    ("_levenshtein_score_prepared", prepared),
]

ALIGNMENT = [(name, pair(getattr(_swar, name))) for name in (
    "smith_waterman_score", "needleman_wunsch_score", "smith_waterman_path", "smith_waterman_path_info",
    "needleman_wunsch_path", "needleman_wunsch_path_info", "smith_waterman_cigar", "smith_waterman_trace_cigar",
    "_smith_waterman_cigar_digest")] + [(name, batch(getattr(_swar, name))) for name in (
        "smith_waterman_scores", "needleman_wunsch_scores", "smith_waterman_top_k")]

# (function name, call, argument, range text of its target type)
KEYWORDS = [(name, call, "score_cutoff", INT64) for name, call in LEVENSHTEIN] + [
    (name, call, argument, UINT32 if argument == "width" else INT64)
    for name, call in ALIGNMENT for argument in ("gap_open_score", "gap_extend_score", "width")]
KEYWORD_IDS = [f"{name}-{argument}" for name, _, argument, _ in KEYWORDS]


class IndexFails(Exception):
    pass


class RaisingIndex:
    def __index__(self):
        raise IndexFails("no index today")


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


@pytest.mark.parametrize("name, call, argument, range_text", KEYWORDS, ids=KEYWORD_IDS)
@pytest.mark.parametrize(
    "value, error, message",
    [
        (0.5, TypeError, "{name}: {argument} must be an int or None, not float"),
        ("2", TypeError, "{name}: {argument} must be an int or None, not str"),
        (2**64, OverflowError, "{name}: {argument} must be {range_text}"),
        (-(2**70), OverflowError, "{name}: {argument} must be {range_text}"),
        (RaisingIndex(), IndexFails, "no index today"),
    ],
    ids=["float", "str", "2**64", "-2**70", "raising __index__"],
)
def test_unconvertible_keyword_values(name, call, argument, range_text, value, error, message):
    with pytest.raises(error) as info:
        call(**{argument: value})
    assert type(info.value) is error
    assert str(info.value) == message.format(name=name, argument=argument, range_text=range_text)


DTW = [("dtw", lambda **kw: _swar.dtw(F64, F64, **kw)), ("dtw_distances", lambda **kw: _swar.dtw_distances(F64, [F64], **kw))]
WINDOW_TYPE = "window= must be None, int (samples), or float in (0, 1] (fraction)"


@pytest.mark.parametrize("name, call", DTW, ids=[name for name, _ in DTW])
def test_dtw_window(name, call):
    # Only the ints beyond 64 bits are new; the rest keeps DTW's own rules.
    assert np.asarray(call(window=0.5)) == pytest.approx(np.asarray(call()))
    for value in ("2", RaisingIndex()):
        with pytest.raises(TypeError) as info:
            call(window=value)
        assert str(info.value) == WINDOW_TYPE
    for value in (2**64, -(2**70)):
        with pytest.raises(OverflowError) as info:
            call(window=value)
        assert str(info.value) == f"{name}: window must be {INT64}"
    with pytest.raises(ValueError, match=r"^window= must be non-negative$"):
        call(window=-(2**63))


@pytest.mark.parametrize("name, call, argument, range_text", KEYWORDS, ids=KEYWORD_IDS)
def test_integer_like_values_still_convert(name, call, argument, range_text):
    # The values nanobind's integer conversion took keep working: NumPy
    # integers, objects with __index__, bool, and the ends of the range.
    value = 16 if argument == "width" else 2
    expected = repr(call(**{argument: value}))
    for like in (np.int64(value), np.uint8(value), Index(value)):
        assert repr(call(**{argument: like})) == expected
    if argument != "width":
        assert repr(call(**{argument: True})) == repr(call(**{argument: 1}))
    low, high = (0, 2**32 - 1) if argument == "width" else (-(2**63), 2**63 - 1)
    for end in (low, high):
        try:
            call(**{argument: end})
        except (ValueError, OverflowError) as error:  # refused later, by the body's own rules
            assert "must be between" not in str(error)


def test_an_index_that_returns_a_non_int_propagates_python_s_error():
    with pytest.raises(TypeError, match="__index__ returned non-int"):
        _swar.smith_waterman_score("A", "A", width=Index(1.5))


def test_the_conversion_reads_the_keywords_in_order():
    # width first, then gap_open_score, then gap_extend_score: the first
    # failure names its argument.
    with pytest.raises(OverflowError, match="width"):
        _swar.smith_waterman_score("A", "A", width=-1, gap_open_score="x", gap_extend_score=0.5)
    with pytest.raises(TypeError, match="gap_open_score"):
        _swar.smith_waterman_score("A", "A", gap_open_score="x", gap_extend_score=0.5)


@pytest.mark.parametrize(
    "kind, low, high",
    [("int32", -(2**31), 2**31 - 1), ("uint32", 0, 2**32 - 1), ("int64", -(2**63), 2**63 - 1), ("uint64", 0, 2**64 - 1)],
)
def test_every_target_type_keeps_its_range(hooks, kind, low, high):
    for value in (low, high, 0, 1, Index(high), np.uint64(1)):
        assert hooks.integer_keyword(kind, value) == int(value if not isinstance(value, Index) else value.value)
    for value in (low - 1, high + 1, -(2**200), 2**200):
        with pytest.raises(OverflowError) as info:
            hooks.integer_keyword(kind, value)
        assert str(info.value) == f"hooked: value must be between {low} and {high}"
    with pytest.raises(TypeError) as info:
        hooks.integer_keyword(kind, None)
    assert str(info.value) == "hooked: value must be an int, not NoneType"


def test_the_optional_form_takes_none(hooks):
    assert hooks.integer_keyword("optional int64", None) is None
    assert hooks.integer_keyword("optional int64", -5) == -5
    with pytest.raises(TypeError, match="^hooked: value must be an int or None, not list$"):
        hooks.integer_keyword("optional int64", [])
