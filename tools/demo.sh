#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Wrenfold and runs its main job on the bundled sample
# responses: two recorded search pages become one tweet table file.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)" --target wrenfold-cli

out=${1:-demo-output}
mkdir -p "$out"
./build/bin/wrenfold-cli table --headers \
  samples/responses/search_page1.json samples/responses/search_page2.json \
  -o "$out/tweets.txt"
./build/bin/wrenfold-cli users samples/responses/users_lookup.json -o "$out/users.txt"
echo "First rows of $out/tweets.txt:"
head -n 4 "$out/tweets.txt" | cut -f 1-4
