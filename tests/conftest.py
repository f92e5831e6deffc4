import pytest


@pytest.fixture(scope="session")
def hooks():
    """The private test-hook module (built with VELTROCAMBER_TEST_HOOKS=ON)."""
    return pytest.importorskip("veltrocamber._testhooks")
