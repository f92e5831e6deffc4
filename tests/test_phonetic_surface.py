"""The Python surface of the phonetic functions: names, keywords, docstrings."""

import pytest

import veltrocamber as vc
from veltrocamber import _swar


@pytest.mark.parametrize(
    "name, first_line_words",
    [
        ("soundex", ["Soundex", "1918"]),
        ("metaphone", ["Metaphone", "Philips", "1990"]),
        ("nysiis", ["NYSIIS", "1970"]),
        ("match_rating_codex", ["Match Rating Approach", "codex", "1977"]),
        ("match_rating_compare", ["Match Rating Approach", "comparison", "1977"]),
        ("caverphone", ["Caverphone 2.0", "2004"]),
    ],
)
def test_docstring_title_lines(name, first_line_words):
    doc = getattr(_swar, name).__doc__
    # nanobind puts the signature first; the docstring's own title follows.
    title = doc.split("\n\n")[1].split("\n")[0] if doc.startswith(name + "(") else doc.split("\n")[0]
    for word in first_line_words:
        assert word in title, (name, title)


@pytest.mark.parametrize("name", ["soundex_equal", "metaphone_equal", "nysiis_equal"])
def test_equality_docstrings(name):
    doc = getattr(_swar, name).__doc__
    assert "True iff ``s1`` and ``s2`` produce the same" in doc
    assert "never match" in doc


def test_metaphone_docstrings_name_the_variant():
    assert "MetaphoneVariant" in _swar.metaphone.__doc__
    assert "forwarded to both" in _swar.metaphone_equal.__doc__


def test_metaphone_docstring_does_not_promise_the_first_vowel():
    # A name opening with AE starts its code at the E, so the docstring must
    # not claim that the name's first vowel is kept.
    assert vc.metaphone("Aebersold") == "EBRSLT"
    doc = " ".join(_swar.metaphone.__doc__.split())
    assert "starts with a vowel keeps it" not in doc


def test_metaphone_variant_enum():
    assert int(vc.MetaphoneVariant.STANDARD) == 0
    assert int(vc.MetaphoneVariant.ALTERNATIVE) == 1
    assert vc.metaphone("Schmidt", variant=vc.MetaphoneVariant.ALTERNATIVE) == "SXMTT"


@pytest.mark.parametrize(
    "call",
    [
        lambda: vc.soundex(),
        lambda: vc.soundex("a", "b"),
        lambda: vc.soundex_equal("a"),
        lambda: vc.nysiis(t="a"),
        lambda: vc.caverphone("a", "b"),
        lambda: vc.match_rating_compare("a", "b", "c"),
        lambda: vc.metaphone("a", variant=0, extra=1),
    ],
)
def test_missing_and_surplus_arguments_raise_type_error(call):
    with pytest.raises(TypeError):
        call()


def test_results_are_exact_types():
    assert type(vc.soundex("Robert")) is str
    assert type(vc.caverphone(b"Peter")) is str
    assert vc.nysiis_equal("Knight", "Knight") is True
    assert vc.match_rating_compare("Byrne", "Boern") is True
