#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Wrenfold and runs its main job end to end against the
# bundled API simulator: authenticate, search "skein AND twitter" back to the default threshold
# date (7 days), score sentiment, save the tweet table, show its first rows.
#   bash tools/demo.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset default > /dev/null
cmake --build --preset default -j "$(nproc)" --target wrenfold-cli wrenfold-apisim wrenfold-senti

out=$(realpath -m "${1:-demo-output}")
data="$out/data"
mkdir -p "$out"
bin=./build/bin

# The simulator picks a free loopback port and says which on its first line.
log="$out/apisim.log"
"$bin/wrenfold-apisim" --port 0 > "$log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  grep -q '^listening on ' "$log" && break
  sleep 0.1
done
api=$(sed -n 's/^listening on //p' "$log" | head -n 1)
[ -n "$api" ] || { echo "the API simulator did not start:"; cat "$log"; exit 1; }
echo "API simulator at $api"

"$bin/wrenfold-cli" auth --app-name "Wrenfold demo" --key demo-key --secret demo-secret \
  --api "$api" --data-dir "$data"
"$bin/wrenfold-cli" search "skein AND twitter" --headers --api "$api" --data-dir "$data" \
  --archive "$out/responses.jsonl" -o "$out/tweets.txt"

echo
echo "Tweet table: $out/tweets.txt ($(($(wc -l < "$out/tweets.txt") - 1)) tweets)"
echo "First rows (DateTime, UserScreenName, Tweet, Sent+, Sent-):"
head -n 6 "$out/tweets.txt" | iconv -f WINDOWS-1252 -t UTF-8 | cut -f 1-3,14,15
