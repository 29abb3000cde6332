#!/usr/bin/env bash
# Builds every fuzz target (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each
# for SECONDS with its corpus; exits non-zero on any finding (crash, leak, or an input taking
# over 1 s). Findings are left as TARGET-crash-*/-leak-*/-timeout-* files in build-asan/fuzz/.
#   bash fuzz/run.sh [SECONDS]      (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset asan > /dev/null
targets=(fuzz_json_reader fuzz_collection fuzz_skein_load fuzz_dates fuzz_base64 fuzz_appcred fuzz_text fuzz_prefs fuzz_user_file fuzz_attributes fuzz_paste fuzz_v2_mapping)
cmake --build --preset asan -j "$(nproc)" --target "${targets[@]}"

testdata=$(realpath tests/data/v1.1)
status=0
passed=0
failed=0
for t in "${targets[@]}"; do
  corpus="build-asan/fuzz/corpus-$t"
  mkdir -p "$corpus"
  seeds=()
  extra=()
  # Committed seeds: simulator responses, and inputs earlier runs found new coverage with.
  [ -d "fuzz/corpus/$t" ] && seeds+=("../../fuzz/corpus/$t")
  case $t in
    fuzz_json_reader)
      seeds+=("$testdata/rtweet" "$testdata/tweepy" "$testdata/python-twitter")
      extra=(-max_len=32768) ;;
    fuzz_collection)
      seeds+=("$testdata/tweepy" "$testdata/../v2/twarc2" "$testdata/../collections")
      extra=(-max_len=32768) ;;
    fuzz_v2_mapping)
      seeds+=("../../tests/data/v2/tweepy")
      extra=(-max_len=32768) ;;
  esac
  echo "== $t for ${seconds}s"
  if ! (cd build-asan/fuzz && ASAN_OPTIONS=detect_leaks=1 "./$t" -max_total_time="$seconds" \
          -artifact_prefix="$t-" -timeout=1 -rss_limit_mb=4096 -print_final_stats=1 "${extra[@]}" \
          "../../$corpus" "${seeds[@]}" 2>&1 | grep -E "^(stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY|Done)" ); then
    :
  fi
  if [ -n "$(find build-asan/fuzz -maxdepth 1 \( -name "$t-crash-*" -o -name "$t-leak-*" -o -name "$t-timeout-*" -o -name "$t-oom-*" \) -print -quit)" ]; then
    echo "!! $t left findings in build-asan/fuzz/"
    status=1
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
