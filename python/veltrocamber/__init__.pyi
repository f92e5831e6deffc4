from . import _cpu as _cpu, _swar as _swar
from ._enums import DoubleMetaphoneVariant as DoubleMetaphoneVariant
from ._enums import MetaphoneVariant as MetaphoneVariant
from ._enums import Scorer as Scorer
from ._substitution import SubstitutionMatrix as SubstitutionMatrix
from ._swar import *

__version__: str
__all__: list[str]
