#!/usr/bin/env bash
# Opens the desktop window on the demo: builds everything, starts the API simulator, stores
# the demo application's credentials and the simulator's address in a demo data folder, and
# starts wrenfold on it. Press OK in the credentials window, then Search. Needs a display.
#   bash tools/demo-gui.sh [DATA_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset default > /dev/null
cmake --build --preset default -j "$(nproc)" --target wrenfold wrenfold-cli wrenfold-apisim \
  wrenfold-senti

data=$(realpath -m "${1:-demo-output/gui-data}")
mkdir -p "$data"
bin=./build/bin
log="$data/apisim.log"
"$bin/wrenfold-apisim" --port 0 > "$log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^listening on ' "$log" && break; sleep 0.1; done
api=$(sed -n 's/^listening on //p' "$log" | head -n 1)
[ -n "$api" ] || { echo "the API simulator did not start:"; cat "$log"; exit 1; }

"$bin/wrenfold-cli" auth --app-name "Wrenfold demo" --key demo-key --secret demo-secret \
  --api "$api" --data-dir "$data"
"$bin/wrenfold" --data-dir "$data" --api "$api"
