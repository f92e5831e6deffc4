import ctypes

import pytest

PY_TP_CLEAR = 51  # typeslots.h


def call_tp_clear(obj):
    """Calls an object's tp_clear slot as the garbage collector does on a cycle, at a moment the caller chooses."""
    get_slot = ctypes.pythonapi.PyType_GetSlot
    get_slot.restype = ctypes.c_void_p
    get_slot.argtypes = [ctypes.py_object, ctypes.c_int]
    slot = get_slot(type(obj), PY_TP_CLEAR)
    assert slot, f"{type(obj).__name__} has no tp_clear"
    clear = ctypes.PYFUNCTYPE(ctypes.c_int, ctypes.py_object)(slot)  # called with the interpreter lock held
    assert clear(obj) == 0


@pytest.fixture(scope="session")
def hooks():
    """The private test-hook module (built with VELTROCAMBER_TEST_HOOKS=ON)."""
    return pytest.importorskip("veltrocamber._testhooks")


@pytest.fixture(scope="session")
def tp_clear():
    return call_tp_clear
