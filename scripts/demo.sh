#!/usr/bin/env bash
# Builds VELTRA and its engines (Release) and runs the whole loop on an example into a fresh
# folder build-demo/<example>:
#   scripts/demo.sh              the example town, examples/pueblo (under a minute)
#   scripts/demo.sh siouxfalls   the Sioux Falls network, examples/siouxfalls (a few minutes)
# The batch files of the loop find t8s and SATNET/SATALL/SATASS/SATEASY next to veltra.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

example=${1:-pueblo}
case "$example" in
  pueblo) args=(pueblo.dat nodos.txt pueblo_tr.dat) ;;
  siouxfalls) args=(siouxfalls.dat nodos.txt siouxfalls_tr.dat) ;;
  *) echo "usage: scripts/demo.sh [pueblo|siouxfalls]" >&2; exit 1 ;;
esac

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/xlsxwriter.h ] || need+=(libxlsxwriter-dev)
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  apt-get install -y -qq "${need[@]}" || echo "warning: could not install ${need[*]}" >&2
fi

build="$top/build-demo"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELTRA_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target veltra t8s veltra-saturn

run="$build/$example"
rm -rf "$run"
mkdir -p "$run"
cp -r "examples/$example/." "$run/"
rm -f "$run/README.md" "$run/make.sh"
cd "$run"
# Only the system's folders on the PATH, so that no other program of the same names is taken.
set +e
start=$(date +%s)
PATH=/usr/bin:/bin "$build/veltra" "${args[@]}" > veltra.out 2>&1
code=$?
end=$(date +%s)
set -e

echo
echo "== $example: exit code $code after $((end - start)) s; outputs in $run"
echo
grep -E "Precision Flujos Saturn|Termina por|seleccionada" veltra.out || true
echo "Travel time of the simulation network by iteration (pcu-hours/hour; the first is the starting network):"
awk '/Indice de Rendimiento Saturn Global/ { getline; line = $0 } END { print line }' veltra.out
echo
echo "Cycles by network and iteration ($(ls "$run"/*_ciclos.csv)):"
cat "$run"/*_ciclos.csv
echo
echo "Messages: $run/veltra.out; drawings: $(ls "$run" | grep -c '\.svg$') SVG, $(ls "$run" | grep -c '\.dxf$') DXF."
echo "Run report (open it in a browser): $(ls "$run"/*_informe.html 2>/dev/null | head -1)"
if [ "$example" = pueblo ]; then
  echo "The larger example: scripts/demo.sh siouxfalls"
fi
exit "$code"
