#!/bin/sh
# Stand-in for the outside programs of a recorded run (t8s, SATNET, SATALL, SATASS, SATEASY,
# one script under each name): serves the print files and listings that a run with the real
# engines left, in the order the run called for them, so that the loop's own outputs can be
# compared with those of that run whatever the engines do today.
# The folder of the stand-ins holds "recorded" (the folder of the recorded files) and one
# counter per program called.
program=$(basename "$0")
dir=$(dirname "$0")
recorded=$(cat "$dir/recorded")
next() {
  n=$(($(cat "$dir/calls_$1" 2>/dev/null || echo 0) + 1))
  echo "$n" > "$dir/calls_$1"
  echo "$n"
}
case "$program" in
  t8s)
    k=$(next t8s)
    [ -f "$recorded/t8s_$k" ] || { echo "stand-in t8s: no recorded print file $k" >&2; exit 1; }
    cp "$recorded/t8s_$k" "$2" ;;
  SATALL)
    k=$(next satall)
    [ -f "$recorded/listing_$k" ] || { echo "stand-in SATALL: no recorded listing $k" >&2; exit 1; }
    cp "$recorded/listing_$k" "$1.lpa" ;;
esac
exit 0
