"""Which length each normalised edit distance divides by. Levenshtein and
optimal string alignment divide by symbol counts (bytes on the byte path,
tokens on the token path); Indel and the unrestricted Damerau-Levenshtein
distance by len() of the two objects, Hamming by len() of the query (its
byte count on the byte path of one pair). The two only part for an object
whose len() is not its number of symbols, such as a str or bytes subclass
that overrides __len__ while still taking the byte path."""

import pytest

_swar = pytest.importorskip("veltrocamber._swar")


class LongStr(str):
    def __len__(self):
        return 10


class LongBytes(bytes):
    def __len__(self):
        return 10


def by_symbols(d, la, lb):
    return 1.0 - d / max(la, lb)


@pytest.mark.parametrize("make", [LongStr, lambda s: LongBytes(s.encode())], ids=["str", "bytes"])
@pytest.mark.parametrize(
    "pair_name, batch_name, expected",
    [
        # d = 1 in each case; query abc (len 10), target abd (len 3).
        ("levenshtein_normalized_score", "levenshtein_normalized_scores", by_symbols(1, 3, 3)),
        ("damerau_levenshtein_normalized_score", "damerau_levenshtein_normalized_scores", by_symbols(1, 3, 3)),
        ("true_damerau_levenshtein_normalized_score", "true_damerau_levenshtein_normalized_scores", 1 - 1 / 10),
        ("indel_normalized_score", "indel_normalized_scores", 1 - 2 / 13),
    ],
)
def test_query_with_its_own_len(make, pair_name, batch_name, expected):
    query = make("abc")
    pair, batch = getattr(_swar, pair_name), getattr(_swar, batch_name)
    assert pair(query, "abd") == expected
    assert list(batch(query, ["abd", b"abd"])) == [expected, expected]


@pytest.mark.parametrize("make", [LongStr, lambda s: LongBytes(s.encode())], ids=["str", "bytes"])
def test_target_with_its_own_len(make):
    target = make("abd")
    assert _swar.true_damerau_levenshtein_normalized_score("abc", target) == 1 - 1 / 10
    assert list(_swar.true_damerau_levenshtein_normalized_scores("abc", [target, "abd"])) == [1 - 1 / 10, 1 - 1 / 3]
    assert _swar.indel_normalized_score("abc", target) == 1 - 2 / 13
    assert list(_swar.indel_normalized_scores("abc", [target, "abd"])) == [1 - 2 / 13, 1 - 2 / 6]
    assert _swar.levenshtein_normalized_score("abc", target) == by_symbols(1, 3, 3)
    assert _swar.damerau_levenshtein_normalized_score("abc", target) == by_symbols(1, 3, 3)


def test_hamming_divides_by_the_query():
    # One byte-like pair divides by the byte count; the batch by len() of
    # the query, whichever road its targets take.
    query = LongStr("abc")
    assert _swar.hamming_normalized_score(query, "abd") == 1 - 1 / 3
    assert _swar.hamming_normalized_score(LongStr("ab\u0100"), "abd") == 1 - 1 / 10
    assert list(_swar.hamming_normalized_scores(query, ["abd", b"abd"])) == [1 - 1 / 10, 1 - 1 / 10]
    assert list(_swar.hamming_normalized_scores(query, ["ab\u0100"])) == [1 - 1 / 10]


@pytest.mark.parametrize(
    "name",
    ["indel_normalized_score", "true_damerau_levenshtein_normalized_score", "hamming_normalized_score"],
)
def test_the_query_is_measured_first(name):
    # Neither a generator nor a map object has a len(); the query's error is
    # the one raised.
    with pytest.raises(
        TypeError, match=f"^{name}: query must have a length \\(a str, bytes or sequence\\), not generator$"
    ):
        getattr(_swar, name)((c for c in "ab"), map(str, "ab"))


class FailingLength:
    """An iterable whose __len__ raises."""

    def __iter__(self):
        return iter("ab")

    def __len__(self):
        raise ValueError("no length today")


# Calls that measure a FailingLength (a batch measures its one-shot query
# as the tuple of its items, which has a length).
FAILING_LENGTH_CALLS = {
    "indel_normalized_score-query": lambda: _swar.indel_normalized_score(FailingLength(), "ab"),
    "indel_normalized_score-target": lambda: _swar.indel_normalized_score("ab", FailingLength()),
    "true_damerau_levenshtein_normalized_score-query": lambda: _swar.true_damerau_levenshtein_normalized_score(
        FailingLength(), "ab"),
    "true_damerau_levenshtein_normalized_score-target": lambda: _swar.true_damerau_levenshtein_normalized_score(
        "ab", FailingLength()),
    "hamming_normalized_score-query": lambda: _swar.hamming_normalized_score(FailingLength(), "ab"),
    "indel_normalized_scores-target": lambda: _swar.indel_normalized_scores("ab", ["ab", FailingLength()]),
    "true_damerau_levenshtein_normalized_scores-target": lambda: _swar.true_damerau_levenshtein_normalized_scores(
        "ab", ["ab", FailingLength()]),
    "cdist_top_k_one_query-query": lambda: _swar.cdist_top_k_one_query(FailingLength(), ["ab"], scorer=9, k=1),
    "cdist_top_k_one_query-target": lambda: _swar.cdist_top_k_one_query(
        "ab", ["ab", FailingLength()], scorer=9, k=1),
}


@pytest.mark.parametrize("case", list(FAILING_LENGTH_CALLS))
def test_an_error_of_len_stands(case):
    # Only an object with no length at all gets the message that names the
    # function; an error that its own __len__ raises reaches the caller.
    with pytest.raises(ValueError, match="^no length today$"):
        FAILING_LENGTH_CALLS[case]()
