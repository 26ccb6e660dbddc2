#!/usr/bin/env bash
# A long run of one fuzz target, niced, from its seeds and what earlier runs found:
#   scripts/fuzz-long.sh TARGET MINUTES      (TARGET: one of FUZZ_TARGETS in scripts/fuzz-options.sh)
# Builds build-fuzz/ when needed. New inputs go to build-fuzz/found/TARGET, a failing input to
# build-fuzz/artifacts/, the log to build-fuzz/logs/TARGET.log; the closing lines give runs,
# speed and coverage. Two runs at a time use both cores.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz-options.sh
target=${1:?usage: scripts/fuzz-long.sh TARGET MINUTES}
minutes=${2:?usage: scripts/fuzz-long.sh TARGET MINUTES}
case " $FUZZ_TARGETS " in *" $target "*) ;; *) echo "unknown target $target (one of: $FUZZ_TARGETS)" >&2; exit 2 ;; esac
[[ $minutes =~ ^[0-9]+$ ]] && ((minutes > 0)) || { echo "MINUTES must be a whole number above 0" >&2; exit 2; }

if [ ! -x "build-fuzz/bin/fuzz_$target" ] || [ ! -d build-fuzz/fuzz/corpus ]; then
  CC=clang CXX=clang++ scripts/build.sh build-fuzz -DORB_FUZZ=ON -DORB_CORE_ONLY=ON --target "fuzz_$target" --target fuzz_corpus
fi
mkdir -p "build-fuzz/found/$target" "build-fuzz/fuzz/corpus/$target" build-fuzz/logs build-fuzz/artifacts
log=build-fuzz/logs/$target.log
# shellcheck disable=SC2046
nice -n 19 "build-fuzz/bin/fuzz_$target" "build-fuzz/found/$target" "build-fuzz/fuzz/corpus/$target" \
  -max_total_time=$((minutes * 60)) -artifact_prefix="build-fuzz/artifacts/$target-" $(fuzz_options "$target") \
  >"$log" 2>&1 && status=0 || status=$?
grep -E '^#[0-9]+[[:space:]]+(DONE|pulse)' "$log" | tail -n 1 || true
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb|new_units_added)' "$log" || true
if [ "$status" -ne 0 ]; then
  echo "fuzz_$target stopped with a finding (exit $status): see $log" >&2
  tail -n 30 "$log" >&2
fi
exit "$status"
