#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs every test: the release build's suite, then the
# whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer, then every fuzz
# target for 10 seconds. Fails when any test fails or a fuzzer finds anything.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

jobs=$(nproc)

cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

bash fuzz/run.sh 10
