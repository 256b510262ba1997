#!/usr/bin/env bash
# Runs an example with the Release-built engines into a fresh folder and measures it: every
# line of veltra's messages and every run of t8s and of the SATURN-shaped programs gets a
# timestamp (the messages line-buffered), so that each iteration's wall time splits into VELTRA, t8s and the assignment.
#   scripts/measure.sh BUILD_DIR EXAMPLE OUT_DIR     (EXAMPLE: pueblo or siouxfalls)
# Prints the figures of examples/EXAMPLE/README.md (scripts/measure_table.py makes the table).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
example=$2
out=$3
case "$example" in
  pueblo) args=(pueblo.dat nodos.txt pueblo_tr.dat) ;;
  siouxfalls) args=(siouxfalls.dat nodos.txt siouxfalls_tr.dat) ;;
  *) echo "unknown example $example" >&2; exit 1 ;;
esac
rm -rf "$out"
mkdir -p "$out/bin"
cp -r "$top/examples/$example/." "$out/"
out=$(cd "$out" && pwd)
# Wrappers named as the batch files call the programs; they come first on the PATH.
for program in t8s SATNET SATALL SATASS SATEASY; do
  cat > "$out/bin/$program" <<WRAP
#!/bin/sh
start=\$(date +%s.%N)
"$build/$program" "\$@"
code=\$?
echo "$program \$start \$(date +%s.%N)" >> "$out/program_times.txt"
exit \$code
WRAP
  chmod +x "$out/bin/$program"
done
cd "$out"
set +e
PATH="$out/bin:/usr/bin:/bin" stdbuf -oL -eL "$build/veltra" "${args[@]}" 2>&1 |
  /usr/bin/python3 -u -c 'import sys, time
for line in sys.stdin: sys.stdout.write("%.6f %s" % (time.time(), line))' > veltra_timed.out
set -e
/usr/bin/python3 "$top/scripts/measure_table.py" "$out"
