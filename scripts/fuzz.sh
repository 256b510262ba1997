#!/usr/bin/env bash
# Builds the fuzz targets of the readers (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30), one after another,
# from seeds taken from the examples and the test inputs. Prints the executions and the
# coverage of each target; exits non-zero when a target finds a crash, a sanitizer report,
# a timeout or a memory blow-up (the input is left in the build dir as crash-*/timeout-*/oom-*).
#   scripts/fuzz.sh [SECONDS]        FUZZ_TARGETS="fuzz_network fuzz_counts" to run only some
# A long run: FUZZ_RUNS=10000000 FUZZ_PARALLEL=2 scripts/fuzz.sh 3600 (each target an hour or ten
# million executions, two at a time).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
root=$(pwd)

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v clang++ >/dev/null || need+=(clang)
if ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  need+=(libclang-rt-14-dev)
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  apt-get install -y -qq "${need[@]}"
fi

build=${VELTRA_FUZZ_BUILD_DIR:-build-fuzz}
# Absolute: the targets change their working directory to a private one.
case $build in /*) ;; *) build="$root/$build" ;; esac
all_targets="fuzz_network fuzz_listing fuzz_counts fuzz_node_list fuzz_config fuzz_street_names
  fuzz_transyt_print fuzz_cyop_print fuzz_t8s_cards fuzz_tntp_net fuzz_tntp_trips fuzz_tntp_flow fuzz_trip_matrix"
targets=${FUZZ_TARGETS:-$all_targets}
CXX=clang++ cmake -S . -B "$build" -DVELTRA_FUZZ=ON -DVELTRA_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j "${VELTRA_JOBS:-2}" --target $targets

# Seeds: the examples and the test inputs of each format, refreshed on every run; what the
# fuzzer found before stays in corpus/<target>/ of the build dir.
seeds() {  # seeds TARGET FILE...
  local dir="$build/seeds/$1"
  shift
  mkdir -p "$dir"
  local f
  for f in "$@"; do [ -f "$f" ] && cp "$f" "$dir/"; done
  return 0
}
rm -rf "$build/seeds"
seeds fuzz_network examples/pueblo/pueblo.dat tests/data/saturn/cross_inc.dat
mkdir -p "$build/seeds/fuzz_network"
{ cat tests/data/saturn/cross.dat | sed 's/CROSS_INC.DAT/INC.DAT/'; echo "@@"; cat tests/data/saturn/cross_inc.dat; } \
  >"$build/seeds/fuzz_network/cross_with_include.dat"
seeds fuzz_listing examples/pueblo/pueblo.lpa examples/siouxfalls/siouxfalls.lpa tests/data/saturn/cross.lpa
seeds fuzz_counts fuzz/corpus/counts/*
seeds fuzz_node_list examples/pueblo/nodos.txt examples/siouxfalls/nodos.txt
seeds fuzz_config examples/pueblo/Veltra.INI examples/siouxfalls/Veltra.INI
seeds fuzz_street_names examples/pueblo/calles.csv
seeds fuzz_transyt_print tests/data/transyt/runs/*.prt tests/data/transyt/runs/t8s/*
seeds fuzz_cyop_print tests/data/transyt/runs/*.cyo
seeds fuzz_t8s_cards tests/data/signals/*.dat tests/data/transyt/writer/*.dat
seeds fuzz_tntp_net tests/data/assign/*_net.tntp
seeds fuzz_tntp_trips tests/data/assign/*_trips.tntp
seeds fuzz_tntp_flow fuzz/corpus/tntp_flow/*
seeds fuzz_trip_matrix examples/pueblo/pueblo.csv examples/siouxfalls/siouxfalls.csv tests/data/assign/*_trips.tntp

dict_of() {
  case $1 in
    fuzz_tntp_*) echo tntp ;;
    *) echo "${1#fuzz_}" ;;
  esac
}

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# One target for SECONDS or FUZZ_RUNS executions, whichever comes first; its summary line goes
# to findings/<target>/result, its exit status (non-zero: a finding) to findings/<target>/status.
run_target() {  # run_target TARGET
  local t=$1
  local corpus="$build/corpus/$t" out="$build/findings/$t"
  mkdir -p "$corpus" "$out"
  rm -f "$out/result" "$out/status"
  local log="$out/fuzz.log"
  local dict="fuzz/dict/$(dict_of "$t").dict"
  local dictArg=()
  [ -f "$dict" ] && dictArg=(-dict="$root/$dict")
  local rc=0
  "$build/fuzz/$t" "$corpus" "$build/seeds/$t" "${dictArg[@]}" -max_total_time="$seconds" -runs="${FUZZ_RUNS:--1}" \
    -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=10 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$out/" >"$log" 2>&1 || rc=$?
  local execs cov elapsed line
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  cov=$(grep -Eo '(INITED|DONE|pulse|NEW|REDUCE) +cov: [0-9]+ ft: [0-9]+' "$log" | tail -1 | grep -Eo 'cov: [0-9]+ ft: [0-9]+' || true)
  elapsed=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | grep -o '[0-9]* second' | grep -o '[0-9]*' || true)
  line=$(printf '%-20s executions %-10s %-22s %ss' "$t" "${execs:-?}" "${cov:-cov: ?}" "${elapsed:-?}")
  if [ $rc -ne 0 ]; then
    line="$line  FINDING (see $log)"
    grep -E 'ERROR: |runtime error|SUMMARY' "$log" | head -5 >&2 || true
  fi
  echo "$line" >"$out/result"
  echo "$rc" >"$out/status"
  echo "$line"
}

# FUZZ_PARALLEL targets at a time (default 1): long runs use every core.
parallel=${FUZZ_PARALLEL:-1}
running=0
for t in $targets; do
  echo "== $t (${seconds}s${FUZZ_RUNS:+ or $FUZZ_RUNS runs})"
  if [ "$parallel" -le 1 ]; then
    run_target "$t"
    continue
  fi
  run_target "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait || true

failed=()
summary=()
for t in $targets; do
  summary+=("$(cat "$build/findings/$t/result" 2>/dev/null || echo "$t: no result")")
  [ "$(cat "$build/findings/$t/status" 2>/dev/null || echo 1)" = 0 ] || failed+=("$t")
done

echo
echo "Target               Executions            Coverage               Time"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Findings in: ${failed[*]}" >&2
  exit 1
fi
