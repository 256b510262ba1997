#!/bin/sh
# Records a run for the stand-ins (standin.sh): runs the real program, named as this script,
# from the folder that "engines" names, then keeps what the loop reads back: the print file
# of each t8s run and the listing each SATURN run leaves, numbered by call.
program=$(basename "$0")
dir=$(dirname "$0")
recorded=$(cat "$dir/recorded")
"$(cat "$dir/engines")/$program" "$@"
code=$?
calls() { cat "$dir/calls_$1" 2>/dev/null || echo 0; }
next() {
  n=$(($(calls "$1") + 1))
  echo "$n" > "$dir/calls_$1"
  echo "$n"
}
case "$program" in
  t8s) k=$(next t8s); [ -f "$2" ] && cp "$2" "$recorded/t8s_$k" ;;
  SATALL) k=$(next satall); [ -f "$1.lpa" ] && cp "$1.lpa" "$recorded/listing_$k" ;;
  # SATASS and SATEASY write the listing again from SATALL's saved assignment.
  SATASS | SATEASY) k=$(calls satall); [ -f "$1.lpa" ] && cp "$1.lpa" "$recorded/listing_$k" ;;
esac
exit $code
