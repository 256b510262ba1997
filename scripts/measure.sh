#!/usr/bin/env bash
# Runs an example with the Release-built engines into a fresh folder and measures it: every
# line of veltra's messages and every run of t8s and of the SATURN-shaped programs gets a
# timestamp (the messages line-buffered), so that each iteration's wall time splits into VELTRA, t8s and the assignment.
#   scripts/measure.sh BUILD_DIR EXAMPLE OUT_DIR [Section.Key=Value ...]   (EXAMPLE: pueblo or siouxfalls)
# Each Section.Key=Value sets that key of the example's Veltra.INI first (added to its section
# when absent), e.g. Converge.Promediado=1 Converge.Iteraciones=20.
# Prints the figures of examples/EXAMPLE/README.md (scripts/measure_table.py makes the table).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
example=$2
out=$3
shift 3
case "$example" in
  pueblo) args=(pueblo.dat nodos.txt pueblo_tr.dat) ;;
  siouxfalls) args=(siouxfalls.dat nodos.txt siouxfalls_tr.dat) ;;
  *) echo "unknown example $example" >&2; exit 1 ;;
esac
rm -rf "$out"
mkdir -p "$out/bin"
cp -r "$top/examples/$example/." "$out/"
out=$(cd "$out" && pwd)
for setting in "$@"; do
  /usr/bin/python3 - "$out/Veltra.INI" "$setting" <<'SET'
import re, sys
path, setting = sys.argv[1], sys.argv[2]
name, value = setting.split("=", 1)
section, key = name.split(".", 1)
lines = open(path, encoding="latin-1").read().splitlines()
current, done, out = None, False, []
for line in lines:
    head = re.fullmatch(r"\s*\[(.+)\]\s*", line)
    if head and current == section and not done:
        out.append(f"{key}={value}")
        done = True
    if head:
        current = head.group(1)
    elif current == section and re.match(rf"\s*{re.escape(key)}\s*=", line, re.I) and not done:
        line, done = f"{key}={value}", True
    out.append(line)
if not done:
    if current != section:
        out.append(f"[{section}]")
    out.append(f"{key}={value}")
open(path, "w", encoding="latin-1").write("\r\n".join(out) + "\r\n")
SET
done
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
