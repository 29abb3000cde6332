#!/usr/bin/env bash
# Installs the build tree $1 under a temporary root as the package would (prefix /usr) and
# checks what lands where.
set -euo pipefail
build_dir=$1
root=$(mktemp -d /tmp/wrenfold-install.XXXXXX)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build_dir" --prefix /usr > /dev/null
bash "$(dirname "$0")/../../tools/check-package.sh" --root "$root"
