"""The README's example prints what its comments promise."""

import contextlib
import doctest
import io
import re
import textwrap
from pathlib import Path

import pytest

README = Path(__file__).resolve().parent.parent / "README.md"


def example_and_promises():
    text = README.read_text(encoding="utf-8")
    code = re.search(r"## Example\n\n```python\n(.*?)```", text, re.S).group(1)
    promises = []
    for line in code.splitlines():
        if line.startswith("print("):
            comment = re.search(r"\)\s+# (.*)$", line)
            promises.append(comment.group(1) if comment else None)
        elif line.startswith("# ") and promises and promises[-1] is None:
            promises[-1] = line[2:]
    return code, promises


def test_readme_example_prints_its_comments():
    if not README.exists():
        pytest.skip("no README beside the tests")
    code, promises = example_and_promises()
    assert promises and None not in promises, "every print of the example says what it prints"
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        exec(compile(code, str(README), "exec"), {})
    assert out.getvalue().splitlines() == promises


def test_readme_sessions_print_what_they_show():
    """The README's ``pycon`` blocks run as doctests, like the examples of docs/
    (the test command does not collect the README itself)."""
    if not README.exists():
        pytest.skip("no README beside the tests")
    blocks = re.findall(r"^( *)```pycon\n(.*?)^ *```", README.read_text(encoding="utf-8"), re.S | re.M)
    assert blocks, "the README shows at least one session"
    text = "\n".join(textwrap.dedent(indent + body) for indent, body in blocks)
    test = doctest.DocTestParser().get_doctest(text, {}, "README.md", str(README), 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    out = io.StringIO()
    runner.run(test, out=out.write)
    assert runner.failures == 0, out.getvalue()


def test_ci_runs_the_readme_install_and_test_commands():
    ci = README.parent / ".ci" / "run"
    if not README.exists() or not ci.exists():
        pytest.skip("no checkout beside the tests")
    block = re.search(r"## Tests\n.*?```sh\n(.*?)```", README.read_text(encoding="utf-8"), re.S).group(1)
    commands = [line.strip() for line in block.splitlines() if line.strip()]
    ci_lines = {line.strip() for line in ci.read_text(encoding="utf-8").splitlines()}
    assert commands and all(command in ci_lines for command in commands)
