#!/usr/bin/env bash
# Builds the Debian package dist/wrenfold_<version>_<arch>.deb with CPack. By default from the
# Release tree of the `release` preset (build-package/), configured and built here; with
# --build-dir DIR from that already configured tree instead (CI packages its test build
# rather than building a third tree).
#   bash tools/package.sh [--build-dir DIR]
# Install it with: sudo apt-get install ./dist/wrenfold_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { sed -n '2,7s/^# \{0,1\}//p' "$0"; }

build_dir=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) [ $# -ge 2 ] || { usage >&2; exit 2; }; build_dir=$2; shift 2 ;;
    --build-dir=*) build_dir=${1#*=}; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "package.sh: unknown argument: $1" >&2; usage >&2; exit 2 ;;
  esac
done

bash tools/install-deps.sh
jobs=$(nproc)

if [ -z "$build_dir" ]; then
  cmake --preset release
  cmake --build --preset release -j "$jobs"
  build_dir=build-package
else
  [ -f "$build_dir/CPackConfig.cmake" ] || {
    echo "package.sh: $build_dir is not a configured build tree" >&2
    exit 2
  }
  cmake --build "$build_dir" -j "$jobs"
fi

# CPack works in its own folder of the tree; only the finished package goes to dist/, replacing
# any earlier one so that ./dist/wrenfold_*.deb names a single file.
stage="$build_dir/cpack"
rm -rf "$stage"
cpack --config "$build_dir/CPackConfig.cmake" -B "$stage"
debs=("$stage"/wrenfold_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || {
  echo "package.sh: CPack made no single package in $stage" >&2
  exit 1
}
mkdir -p dist
rm -f dist/wrenfold_*.deb
cp "${debs[0]}" dist/
echo "dist/$(basename "${debs[0]}")"
