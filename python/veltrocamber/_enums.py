"""Enumerations whose values the backend functions take as plain integers."""

from enum import IntEnum

__all__ = ["Scorer", "MetaphoneVariant", "DoubleMetaphoneVariant"]


class Scorer(IntEnum):
    """Batch scorers by id: each member stands for one batch function
    (``LEVENSHTEIN`` for ``levenshtein_scores``, ``JARO_WINKLER`` for
    ``jaro_winkler_similarities``) and its top-k twin (``levenshtein_top_k``,
    ``jaro_winkler_top_k``). ``extract`` takes a member as its ``scorer`` and
    runs that top-k function; ``cdist_top_k_one_query`` takes one of the
    similarity members; the ``scorer`` argument of the all-pairs functions
    (``cdist`` and its kin) takes a member or the batch function itself.

    The ``*_NORMALIZED``, ``JARO`` and ``JARO_WINKLER`` scorers are similarities
    in [0, 1] (higher is better); the others are distances (lower is better).
    """

    LEVENSHTEIN = 0
    LEVENSHTEIN_NORMALIZED = 1
    DAMERAU_LEVENSHTEIN = 2
    DAMERAU_LEVENSHTEIN_NORMALIZED = 3
    HAMMING = 4
    HAMMING_NORMALIZED = 5
    JARO = 6
    JARO_WINKLER = 7
    INDEL = 8
    INDEL_NORMALIZED = 9
    TRUE_DAMERAU_LEVENSHTEIN = 10
    TRUE_DAMERAU_LEVENSHTEIN_NORMALIZED = 11

    @property
    def is_similarity(self) -> bool:
        """True for scorers where a higher value means more alike."""
        return self.value in (1, 3, 5, 6, 7, 9, 11)


class MetaphoneVariant(IntEnum):
    """Rule families of ``metaphone`` and ``metaphone_equal``.

    The two families differ in two rules only. ``STANDARD`` writes K for the
    CH of SCH and leaves a final GH silent; ``ALTERNATIVE`` writes X for that
    CH and KH for a final GH (Laugh gives L and LKH). Any value other than 1
    selects the standard rules.
    """

    STANDARD = 0
    ALTERNATIVE = 1


class DoubleMetaphoneVariant(IntEnum):
    """Rule families of ``double_metaphone``.

    ``STANDARD`` gives the usual rules. ``GH_REPEATS_PREVIOUS`` changes one
    of them: a GH after a vowel at the second or third letter repeats the last
    character of each code (Hugh gives HH) instead of falling to the rules
    that make it silent or K. Any other integer gives the standard rules.
    """

    STANDARD = 0
    GH_REPEATS_PREVIOUS = 1
