#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs every test: the release build's suite and a check of
# the Debian package made from that build, then the whole suite again under AddressSanitizer +
# UndefinedBehaviorSanitizer, then every fuzz target for 10 seconds. Fails when any test fails,
# the package check fails or a fuzzer finds anything.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

jobs=$(nproc)

cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

# The Debian package, made from the tree just built rather than a third full build, and its
# contents, desktop entry, AppStream metadata and lintian's verdict.
bash tools/package.sh --build-dir build
bash tools/check-package.sh dist/wrenfold_*.deb

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

bash fuzz/run.sh 10
