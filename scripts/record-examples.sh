#!/usr/bin/env bash
# Records the examples again for the test of their outputs (tests/examples/recorded_run_test.cpp):
# runs each example with the engines of BUILD_DIR, keeping the print files and listings the
# loop reads back (tests/data/examples/<example>/recorded), then lets the test write the
# fingerprints of every file veltra leaves with those served back (expected.txt).
# Run it when a change of veltra's own outputs is meant, and say why in the commit.
#   scripts/record-examples.sh BUILD_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
data=$top/tests/data/examples
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
record() {
  local example=$1
  shift
  rm -rf "$data/$example/recorded" "$work/bin" "$work/run"
  mkdir -p "$data/$example/recorded" "$work/bin" "$work/run"
  echo "$data/$example/recorded" > "$work/bin/recorded"
  echo "$build" > "$work/bin/engines"
  for program in t8s SATNET SATALL SATASS SATEASY; do cp "$data/recorder.sh" "$work/bin/$program"; done
  cp -r "$top/examples/$example/." "$work/run/"
  (cd "$work/run" && PATH="$work/bin:/usr/bin:/bin" "$build/veltra" "$@" > /dev/null 2>&1 < /dev/null)
}
record pueblo pueblo.dat nodos.txt pueblo_tr.dat
record siouxfalls siouxfalls.dat nodos.txt siouxfalls_tr.dat
VELTRA_RECORD_EXAMPLES=1 "$build/tests/examples/test_example_recorded"
