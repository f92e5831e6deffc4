"""The package's SubstitutionMatrix: its data, encode, its errors, its
docstring example, and BLOSUM62 scores against parasail."""

import doctest
import random

import pytest

import veltrocamber as vc
from veltrocamber import _substitution

SubstitutionMatrix = vc.SubstitutionMatrix
PROTEIN = "ARNDCQEGHILKMFPSTWYV"


def test_exported_and_documented():
    assert "SubstitutionMatrix" in vc.__all__
    assert doctest.testmod(_substitution, raise_on_error=False).failed == 0
    assert doctest.testmod(_substitution).attempted > 0


def test_blosum62_layout():
    m = SubstitutionMatrix.blosum62()
    assert m.alphabet == "ARNDCQEGHILKMFPSTWYVBZX*" and m.stride == 24 and len(m.buffer) == 576
    assert all(m.score(a, b) == m.score(b, a) for a in m.alphabet for b in m.alphabet)
    assert (m.score("W", "W"), m.score("C", "C"), m.score("*", "*"), m.score("A", "*")) == (11, 9, 1, -4)
    for q, a in enumerate(m.alphabet):
        for t, b in enumerate(m.alphabet):
            assert (m.buffer[q * 24 + t] ^ 0x80) - 0x80 == m.score(a, b)


def test_blosum62_equals_parasail():
    parasail = pytest.importorskip("parasail")
    m = SubstitutionMatrix.blosum62()
    theirs = parasail.blosum62.matrix
    assert [[m.score(a, b) for b in m.alphabet] for a in m.alphabet] == [
        [int(theirs[i][j]) for j in range(24)] for i in range(24)]


def test_dna_and_match_mismatch():
    dna = SubstitutionMatrix.dna()
    assert dna.alphabet == "ACGT" and dna.buffer == bytes((5 if r == c else -4) & 0xFF for r in range(4)
                                                          for c in range(4))
    assert dna == SubstitutionMatrix.match_mismatch(b"ACGT", 5, -4) == SubstitutionMatrix("ACGT", [
        [5 if r == c else -4 for c in range(4)] for r in range(4)])
    assert hash(dna) == hash(SubstitutionMatrix.match_mismatch("ACGT", 5, -4))
    assert dna != SubstitutionMatrix.match_mismatch("ACGT", 5, -3)
    assert repr(dna) == "SubstitutionMatrix(alphabet='ACGT')"
    full = SubstitutionMatrix(bytes(range(256)), [[-128] * 256 for _ in range(256)])
    assert full.stride == 256 and full.score("\xff", b"\x00") == -128
    assert full.encode(bytes(range(256))) == bytes(range(256))


def test_encode_round_trip_and_case():
    rng = random.Random(7)
    m = SubstitutionMatrix.blosum62()
    for _ in range(50):
        text = "".join(rng.choice(m.alphabet) for _ in range(rng.randint(0, 80)))
        codes = m.encode(text)
        assert type(codes) is bytes and "".join(m.alphabet[c] for c in codes) == text
        assert m.encode(text.encode()) == codes == m.encode(text.lower())
    both = SubstitutionMatrix.match_mismatch("aA", 1, 0)
    assert both.encode("Aa") == b"\x01\x00"  # an alphabet with both cases keeps them apart
    lower = SubstitutionMatrix.match_mismatch("acgt", 1, 0)
    assert lower.encode("ACgt") == b"\x00\x01\x02\x03"


@pytest.mark.parametrize("sequence, symbol, position", [
    ("ACGTN", "N", 4), (b"AC-T", "-", 2), ("AC\u0100", "\u0100", 2), ("\xe9", "\xe9", 0)])
def test_encode_names_the_symbol_and_its_position(sequence, symbol, position):
    with pytest.raises(ValueError) as info:
        SubstitutionMatrix.dna().encode(sequence)
    assert str(info.value) == f"symbol {symbol!r} at position {position} is not in the alphabet 'ACGT'"


def test_encode_and_score_refuse_other_types():
    dna = SubstitutionMatrix.dna()
    with pytest.raises(TypeError, match="encode expects a str or bytes, not list"):
        dna.encode(["A"])
    with pytest.raises(ValueError, match="must be one symbol"):
        dna.score("AC", "A")


@pytest.mark.parametrize("alphabet, scores, error, message", [
    ("", [], ValueError, "1 to 256 symbols"),
    ("".join(map(chr, range(257))), [], ValueError, "1 to 256 symbols"),
    ("ABA", [[0] * 3] * 3, ValueError, "'A' appears more than once"),
    ("A\u0100", [[0] * 2] * 2, ValueError, "below U\\+0100"),
    ("AB", [[0, 0]], ValueError, "2 rows"),
    ("AB", [[0, 0], [0]], ValueError, "row 1 must have 2 entries"),
    ("AB", [[0, 128], [0, 0]], ValueError, r"scores\[0\]\[1\] = 128 is outside \[-128, 127\]"),
    ("AB", [[0, 0], [-129, 0]], ValueError, r"scores\[1\]\[0\] = -129"),
    ("AB", [[0, 0.5], [0, 0]], TypeError, "must be an int"),
    ("AB", [[0, True], [0, 0]], TypeError, "must be an int"),
    (["A", "B"], [[0, 0], [0, 0]], TypeError, "alphabet must be a str or bytes"),
])
def test_constructor_errors(alphabet, scores, error, message):
    with pytest.raises(error, match=message):
        SubstitutionMatrix(alphabet, scores)


def test_read_only_properties():
    m = SubstitutionMatrix.dna()
    for name in ("alphabet", "stride", "buffer"):
        with pytest.raises(AttributeError):
            setattr(m, name, None)


def test_local_affine_blosum62_scores_equal_parasail():
    parasail = pytest.importorskip("parasail")
    m = SubstitutionMatrix.blosum62()
    rng = random.Random(62)
    for _ in range(60):
        q = "".join(rng.choice(PROTEIN) for _ in range(rng.randint(1, 120)))
        t = "".join(rng.choice(PROTEIN) for _ in range(rng.randint(1, 120)))
        ours = vc.smith_waterman_affine_score_matrix(m.encode(q), m.encode(t), m.buffer, m.stride, -11, -1)
        assert ours == parasail.sw(q, t, 11, 1, parasail.blosum62).score
        assert vc.smith_waterman_affine_path_info_matrix(m.encode(q), m.encode(t), m.buffer, m.stride, -11,
                                                         -1).score == ours
