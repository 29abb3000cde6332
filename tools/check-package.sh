#!/usr/bin/env bash
# Checks what Wrenfold installs. Fails with the list of what is wrong.
#   bash tools/check-package.sh DEB          the Debian package: its contents, computed
#                                            dependencies, desktop entry, AppStream metadata
#                                            and copyright file, and lintian's errors
#   bash tools/check-package.sh --root DIR   an installed tree (DIR/usr/...): its contents
# Both run the installed classifier to see that it finds its word lists.
set -euo pipefail
source_dir=$(realpath "$(dirname "$0")/..")

usage() { sed -n '2,7s/^# \{0,1\}//p' "$0"; }

deb=""
root=""
case "${1:-}" in
  --root) [ $# -eq 2 ] || { usage >&2; exit 2; }; root=$2 ;;
  -h | --help) usage; exit 0 ;;
  "" | -*) usage >&2; exit 2 ;;
  *) [ $# -eq 1 ] || { usage >&2; exit 2; }; deb=$(realpath -m "$1") ;;
esac
[ -z "$root" ] || root=$(realpath -m "$root")

work=$(mktemp -d /tmp/wrenfold-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
if [ -n "$deb" ]; then
  [ -f "$deb" ] || { echo "check-package.sh: no such package: $deb" >&2; exit 2; }
  dpkg-deb -x "$deb" "$work/root"
  root="$work/root"
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's|^\./|/|' > "$work/files"
else
  [ -d "$root/usr" ] || { echo "check-package.sh: no usr/ in $root" >&2; exit 2; }
  (cd "$root" && find . ! -type d | sed 's|^\./|/|') > "$work/files"
fi

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
has() { grep -qxF "$1" "$work/files" || fail "missing $1"; }

programs=(wrenfold wrenfold-cli wrenfold-senti wrenfold-apisim)
# The visualiser, when it was built, is checked like the others.
grep -qxF /usr/bin/wrenfold-view "$work/files" && programs+=(wrenfold-view)
for p in "${programs[@]}"; do
  has "/usr/bin/$p"
done
# Every program has its manual page.
for p in $(grep '^/usr/bin/' "$work/files" | sed 's|^/usr/bin/||'); do
  has "/usr/share/man/man1/$p.1.gz"
done
has /usr/share/applications/wrenfold.desktop
has /usr/share/icons/hicolor/scalable/apps/wrenfold.svg
metainfo=$(grep '^/usr/share/metainfo/.*\.metainfo\.xml$' "$work/files" || true)
[ "$(printf '%s' "$metainfo" | grep -c .)" -eq 1 ] || fail "not one AppStream file: $metainfo"
has /usr/share/doc/wrenfold/copyright
has /usr/share/doc/wrenfold/changelog.gz
data_files=()
for f in "$source_dir"/apps/sentiment/data/SentiStrengthData/*; do
  data_files+=("$(basename "$f")")
  has "/usr/share/wrenfold/SentiStrengthData/$(basename "$f")"
done
if grep -v -e '^/usr/bin/' -e '^/usr/share/' "$work/files"; then
  fail "files outside /usr/bin and /usr/share (listed above)"
fi

# The installed classifier finds its word lists in the data folder by itself.
if [ -x "$root/usr/bin/wrenfold-senti" ]; then
  printf 'I love this\r\nawful day\r\n' > "$work/texts.txt"
  if "$root/usr/bin/wrenfold-senti" input "$work/texts.txt" 2> "$work/senti.err"; then
    # A positive first line and a negative second one: the lists were read.
    awk -F '\t' 'NR == 2 && $1 > 1 { p = 1 } NR == 3 && $2 < -1 { n = 1 } END { exit !(p && n) }' \
      "$work/texts0_out.txt" || fail "installed wrenfold-senti scored: $(cat "$work/texts0_out.txt")"
  else
    fail "installed wrenfold-senti: $(cat "$work/senti.err")"
  fi
fi

if [ -n "$deb" ]; then
  depends=$(dpkg-deb -f "$deb" Depends)
  for lib in libc6 libcurl4 libqt6widgets6; do
    grep -q "$lib" <<< "$depends" || fail "Depends lacks $lib: $depends"
  done
  desktop-file-validate "$root/usr/share/applications/wrenfold.desktop" ||
    fail "desktop-file-validate"
  [ -z "$metainfo" ] || appstreamcli validate --no-net "$root$metainfo" ||
    fail "appstreamcli validate"
  # The copyright file gives the licence of every data file shipped.
  for f in "${data_files[@]}"; do
    grep -q "SentiStrengthData/$f\$" "$root/usr/share/doc/wrenfold/copyright" ||
      fail "copyright does not list $f"
  done
  if ! lintian --fail-on error --suppress-tags-from-file /dev/null "$deb" > "$work/lintian" 2>&1; then
    cat "$work/lintian"
    fail "lintian reports errors"
  fi
  grep '^E: ' "$work/lintian" || true
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package checks passed: ${deb:-$root}"
