#!/usr/bin/env bash
# Incremental development build, separate from pip: compiles the extension
# modules (with the test hooks) into BUILD_DIR and lays out an importable
# package in BUILD_DIR/python, so that
#   PYTHONPATH=BUILD_DIR/python python -m pytest tests
# runs the tests against this checkout. Several checkouts can each keep
# their own BUILD_DIR. Extra arguments are passed to the CMake configure step
# (for example -DVELTROCAMBER_SANITIZE=ON).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build/dev"}
shift || true
python=${PYTHON:-python}
# The build tools that pip's isolated build fetches for `pip install .` are
# not in the venv; this script runs CMake itself and needs them there.
missing=()
"$python" -c "import nanobind" >/dev/null 2>&1 || missing+=(nanobind)
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
command -v ninja >/dev/null 2>&1 || missing+=(ninja)
if ((${#missing[@]})); then
  echo "dev_build.sh: ${missing[*]} not found; install first: $python -m pip install ${missing[*]}" >&2
  exit 1
fi
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DPython_EXECUTABLE="$(command -v "$python")" \
  -DVELTROCAMBER_TEST_HOOKS=ON -DVELTROCAMBER_DEV_TREE="$build/python" "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j "${JOBS:-$(nproc)}"
