#!/usr/bin/env bash
# Builds VELTRA and runs its main job on the example in examples/, in a fresh copy under
# build-demo/run, with the stand-in outside programs of tools/ on the PATH.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/xlsxwriter.h ] || need+=(libxlsxwriter-dev)
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  apt-get install -y -qq "${need[@]}" || echo "warning: could not install ${need[*]}" >&2
fi

cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DVELTRA_TESTS=OFF >/dev/null
cmake --build build-demo -j "$(nproc)" --target veltra

run="$top/build-demo/run"
rm -rf "$run"
mkdir -p "$run"
cp -r examples/. "$run/"
export PATH="$top/tools:$PATH"
cd "$run"
set +e
"$top/build-demo/veltra" pueblo.dat nodos.txt pueblo_tr.dat
code=$?
set -e
echo
echo "Exit code: $code. Outputs are in $run"
ls "$run"
