"""Input conversion shared by every phonetic encoder, and the equality rule."""

import pytest

import veltrocamber as vc
from reference import phonetic_models as ref

TYPE_MESSAGE = "phonetic encoder requires a str or bytes-like input"

# Every single-argument encoder, as (name, callable returning a comparable value).
ENCODERS = [
    ("soundex", vc.soundex),
    ("metaphone", vc.metaphone),
    ("metaphone_alternative", lambda s: vc.metaphone(s, variant=vc.MetaphoneVariant.ALTERNATIVE)),
    ("nysiis", vc.nysiis),
    ("match_rating_codex", vc.match_rating_codex),
    ("caverphone", vc.caverphone),
]

# Every two-argument function that converts both of its inputs.
PAIR_FUNCTIONS = [
    ("soundex_equal", vc.soundex_equal),
    ("metaphone_equal", vc.metaphone_equal),
    ("metaphone_equal_alternative", lambda a, b: vc.metaphone_equal(a, b, variant=1)),
    ("nysiis_equal", vc.nysiis_equal),
    ("match_rating_compare", vc.match_rating_compare),
]


class BytesSub(bytes):
    pass


class StrSub(str):
    pass


@pytest.fixture(scope="module")
def hooks():
    return pytest.importorskip("veltrocamber._testhooks")


def test_bytes_pass_through_every_value(hooks):
    data = bytes(range(256)) * 2
    assert hooks.phonetic_ascii_bytes(data) == data
    assert hooks.phonetic_ascii_bytes(BytesSub(data)) == data
    assert hooks.phonetic_ascii_bytes(b"") == b""


@pytest.mark.parametrize(
    "text, expected",
    [
        ("Robert", b"Robert"),
        ("M\u00fcller", b"M\xfcller"),  # one byte per character: copied byte for byte
        ("M\u00fcller\u0100", b"Mller"),  # two bytes per character: non-ASCII dropped
        ("M\u00fcller\U0001f600", b"Mller"),  # four bytes per character
        ("\u0101b\u00ffc", b"bc"),
        ("a\x00b", b"a\x00b"),  # embedded NUL is an ordinary byte
        ("a\x00b\u0100", b"a\x00b"),
        ("", b""),
    ],
)
def test_str_storage_kinds(hooks, text, expected):
    assert hooks.phonetic_ascii_bytes(text) == expected
    assert hooks.phonetic_ascii_bytes(StrSub(text)) == expected
    assert ref.convert(text) == expected


@pytest.mark.parametrize("name, encode", ENCODERS)
@pytest.mark.parametrize("word", ["Mueller", "Tymczak", "Ashcraft", "Lee", "Schwarzenegger"])
def test_three_str_kinds_give_one_code(name, encode, word):
    # The same ASCII letters stored one, two and four bytes per character,
    # with non-ASCII characters around them, as bytes, and as subclasses.
    plain = encode(word)
    assert encode(word + "\u00e9") == plain
    assert encode("\u0100" + word + "\u0101") == plain
    assert encode("\U0001f600" + word + "\u00e9") == plain
    assert encode(word.encode()) == plain
    assert encode(StrSub(word)) == plain
    assert encode(BytesSub(word.encode())) == plain


@pytest.mark.parametrize("name, encode", ENCODERS)
def test_embedded_nul_is_skipped_like_any_non_letter(name, encode):
    assert encode("Rob\x00ert") == encode("Rob-ert") == encode(b"Rob\x00ert")
    assert encode("\x00Lee\x00") == encode("Lee")


@pytest.mark.parametrize("name, encode", ENCODERS)
def test_high_bytes_are_not_letters(name, encode):
    # 0xC9 and 0xE9 are letters in Latin-1 but never for the encoders.
    assert encode(b"\xe9mile") == encode(b"mile")
    assert encode(b"Mi\xc9le") == encode(b"Mile")
    assert encode("\u00e9mile") == encode("mile")


BAD_INPUTS = [bytearray(b"Robert"), memoryview(b"Robert"), 42, ["Robert"], None, 1.5]


@pytest.mark.parametrize("name, encode", ENCODERS)
@pytest.mark.parametrize("bad", BAD_INPUTS, ids=lambda b: type(b).__name__)
def test_wrong_types_raise(name, encode, bad):
    with pytest.raises(TypeError, match=f"^{TYPE_MESSAGE}$"):
        encode(bad)


@pytest.mark.parametrize("name, fn", PAIR_FUNCTIONS)
@pytest.mark.parametrize("bad", BAD_INPUTS, ids=lambda b: type(b).__name__)
def test_pair_functions_convert_both_arguments_first(name, fn, bad):
    with pytest.raises(TypeError, match=f"^{TYPE_MESSAGE}$"):
        fn(bad, "Robert")
    # The second argument is converted even when the first encodes to nothing.
    for first in ("", "123", b""):
        with pytest.raises(TypeError, match=f"^{TYPE_MESSAGE}$"):
            fn(first, bad)


@pytest.mark.parametrize("name, fn", PAIR_FUNCTIONS)
@pytest.mark.parametrize("pair", [("", ""), ("123", "--"), (b"", "\u00e9"), ("\u0100", b"\xe9")])
def test_empty_codes_never_match(name, fn, pair):
    assert fn(*pair) is False
