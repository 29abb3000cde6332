#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs every test: the release build's suite and a check of
# the Debian package made from that build, then the whole suite again under AddressSanitizer +
# UndefinedBehaviorSanitizer, then every fuzz target for 10 seconds, then the tests that run
# threads under ThreadSanitizer. Fails when any test fails, the package check fails, a fuzzer
# finds anything or a data race shows.
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

# ThreadSanitizer over the tests that run threads or child processes (label `threads`): only
# their binaries and the programs they start are built.
cmake --preset tsan
cmake --build --preset tsan -j "$jobs" --target util_tests apisim_tests crash_save_tests \
  recovery_tests cli_search_tests cli_account_tests wrenfold-apisim wrenfold-senti wrenfold-cli
ctest --preset tsan -j "$jobs"
