"""The type stubs: mypy accepts the typed usage file and flags its wrong calls,
and the types the usage file states are those the functions return."""

import ast
import inspect
import os
import re
import site
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import veltrocamber as vc
from veltrocamber import _cpu, _swar

HERE = Path(__file__).parent
PACKAGE_DIR = Path(vc.__file__).parent


def public_names(module):
    return sorted(name for name in vars(module) if not name.startswith("_"))


def stub_text(module):
    path = PACKAGE_DIR / f"{module.__name__.rsplit('.', 1)[-1]}.pyi"
    if not path.exists():
        pytest.skip(f"{path.name} was not generated (a sanitizer build makes no stubs)")
    return path.read_text(encoding="utf-8")


SEQUENCE_PARAMETERS = {"query", "target", "targets", "s", "s1", "s2"}


@pytest.mark.parametrize("module", [_swar, _cpu], ids=["_swar", "_cpu"])
def test_stubs_type_and_document_every_public_name(module):
    tree = ast.parse(stub_text(module))
    defined = {node.name: node for node in tree.body if isinstance(node, (ast.FunctionDef, ast.ClassDef))}
    assert [name for name in public_names(module) if name not in defined] == []
    for name in public_names(module):
        node = defined[name]
        assert ast.get_docstring(node), f"{name} has no docstring in the stub"
        if isinstance(node, ast.FunctionDef):
            assert node.returns is not None and ast.unparse(node.returns) not in ("tuple", "list"), name
            for arg in node.args.args + node.args.kwonlyargs:
                if arg.arg in SEQUENCE_PARAMETERS:
                    assert "object" not in ast.unparse(arg.annotation), f"{name}({arg.arg})"


# The private prepare functions, prepared calls and prepared classes, which
# the docs present: _prepare_needleman_wunsch_affine_cigar,
# _needleman_wunsch_affine_cigar_prepared, _PreparedAffineCigar.
PREPARED_NAME = re.compile(r"^_(prepare_\w+|\w+_prepared|Prepared\w+)$")


def one_shot_name(name):
    """The public function a prepare function or prepared call stands for:
    _prepare_smith_waterman_affine_cigar and _smith_waterman_affine_cigar_prepared
    for smith_waterman_cigar."""
    return name.removeprefix("_prepare_").removeprefix("_").removesuffix("_prepared").replace("affine_", "")


def typed_parameters(node):
    """A stub function's parameters other than the sequences and the prepared
    object: name -> (keyword-only, annotation, default), as text."""
    args = node.args
    positional = args.posonlyargs + args.args
    defaults = [None] * (len(positional) - len(args.defaults)) + args.defaults
    entries = [(a, d, False) for a, d in zip(positional, defaults)]
    entries += [(a, d, True) for a, d in zip(args.kwonlyargs, args.kw_defaults)]
    return {a.arg: (keyword_only, ast.unparse(a.annotation), d and ast.unparse(d)) for a, d, keyword_only in entries
            if a.arg not in SEQUENCE_PARAMETERS | {"prepared"}}


def test_stubs_type_and_document_the_prepared_objects():
    tree = ast.parse(stub_text(_swar))
    defined = {node.name: node for node in tree.body if isinstance(node, (ast.FunctionDef, ast.ClassDef))}
    names = [name for name in vars(_swar) if PREPARED_NAME.match(name)]
    assert "_prepare_levenshtein_score" in names and "_PreparedAffineCigar" in names
    families = {}
    for name in names:
        node = defined[name]
        assert ast.get_docstring(node), f"{name} has no docstring in the stub"
        if isinstance(node, ast.ClassDef):
            for member in node.body:
                if isinstance(member, ast.FunctionDef):
                    assert ast.get_docstring(member), f"{name}.{member.name}"
            continue
        assert "object" not in ast.unparse(node.args) + ast.unparse(node.returns), name
        one_shot = defined[one_shot_name(name)]
        if name.startswith("_prepare_"):
            assert re.fullmatch(r"_Prepared\w+( \| None)?", ast.unparse(node.returns)), name
        else:
            assert ast.unparse(node.returns).removesuffix(" | None") == ast.unparse(one_shot.returns), name
        families.setdefault(one_shot.name, {}).update(typed_parameters(node))
    # A prepare function and its call take, between them, the one-shot
    # function's parameters, typed and defaulted as it types them.
    assert families
    for one_shot, parameters in families.items():
        assert parameters == typed_parameters(defined[one_shot]), one_shot


# Runtime docstrings that stay word for word but mislead: the stub says what
# the function does instead. levenshtein_top_k's runtime text calls the list
# ascending, while it is in the selection heap's order.
OWN_STUB_DOCSTRINGS = {"levenshtein_top_k": "The list is not sorted"}


def test_runtime_docstrings_are_copied_unchanged_into_the_stubs():
    tree = ast.parse(stub_text(_swar))
    for node in tree.body:
        if isinstance(node, ast.FunctionDef) and not node.name.startswith("_"):
            runtime = getattr(_swar, node.name).__nb_signature__[0][1]
            if node.name in OWN_STUB_DOCSTRINGS:
                assert OWN_STUB_DOCSTRINGS[node.name] in ast.get_docstring(node), node.name
                assert ast.get_docstring(node) != inspect.cleandoc(runtime), node.name
            elif runtime is not None:
                assert ast.get_docstring(node) == inspect.cleandoc(runtime), node.name


def test_typed_usage_runs_and_returns_the_stated_types():
    sys.path.insert(0, str(HERE))
    try:
        import typed_usage
    finally:
        sys.path.remove(str(HERE))
    results = typed_usage.typed_calls()
    assert isinstance(results[3], np.ndarray) and results[3].dtype == np.int64
    assert isinstance(results[5], list) and isinstance(results[5][0], tuple)
    assert isinstance(results[13], tuple) and len(results[13]) == 2
    size, distances, past_cutoff, not_byte_text, no_query, scores, cigars = results[-8]
    assert [type(value) for value in [size, *distances, past_cutoff, *scores]] == [int] * (6 + len(scores))
    assert not_byte_text is None and no_query is None and [type(text) for text in cigars] == [str, str]
    nearest, closest, extracted, ranked, matrix_score, matrix_scores, matrix_path = results[-7:]
    assert [tuple(map(type, entry)) for entry in nearest + closest + extracted] == [
        (str, int, int), (bytes, float, int), (str, int, int)]
    assert [tuple(map(type, entry)) for entry in ranked] == [(float, str)]
    assert type(matrix_score) is int and [type(s) for s in matrix_scores] == [int]
    assert isinstance(matrix_path, vc.AlignmentPath)


def test_mypy_accepts_the_typed_usage_and_flags_the_wrong_calls(request, tmp_path):
    pytest.importorskip("mypy", reason="mypy comes with the [test] extra")
    stub_text(_swar)  # skips where no stubs were generated
    env = dict(os.environ)
    root = PACKAGE_DIR.parent
    # An installed package is found through the interpreter; a development
    # tree is named on the search path (mypy refuses site-packages there).
    if str(root) not in site.getsitepackages():
        env["MYPYPATH"] = str(root)
    # mypy's cache in pytest's keeps later runs to a second or two.
    pytest_cache = getattr(request.config, "cache", None)
    cache = pytest_cache.mkdir("mypy") if pytest_cache is not None else tmp_path
    run = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--warn-unreachable", "--no-error-summary",
         "--config-file", os.devnull, "--cache-dir", str(cache), str(HERE / "typed_usage.py")],
        capture_output=True, text=True, env=env, cwd=HERE, timeout=120)
    assert run.returncode == 0, run.stdout + run.stderr
