#!/usr/bin/env bash
# Makes the release packages dist/veltra-<version>-windows-x64.zip and
# dist/veltra-<version>-linux-x64.tar.gz: the executables, the README, the user guide, the
# example town and the engines (t8s, the SATURN-shaped programs, veltra-assign, veltra-tntp). The version is the project's
# (CMakeLists.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
out="$top/build-windows"
jobs=${VELTRA_JOBS:-2}
version=$(sed -n 's/^project(veltra VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "error: no version in CMakeLists.txt" >&2; exit 1; }

need=()
command -v zip >/dev/null || need+=(zip)
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

engines=(t8s veltra-assign veltra-tntp veltra-saturn)

# Windows: the cross build (also fetches libxlsxwriter's source into build-windows/src).
scripts/build-windows.sh

# Linux: a release build with libxlsxwriter and the C++ runtime linked in, so the program runs
# on other distributions without their packages.
xlsx_src=$(find "$out/src" -maxdepth 1 -mindepth 1 -type d -name 'libxlsxwriter*' | head -1)
prefix_linux="$out/prefix-linux"
if [ ! -f "$prefix_linux/lib/libxlsxwriter.a" ]; then
  cmake -S "$xlsx_src" -B "$out/xlsxwriter-linux" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DUSE_DTOA_LIBRARY=ON -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DCMAKE_INSTALL_PREFIX="$prefix_linux" >/dev/null
  cmake --build "$out/xlsxwriter-linux" -j "$jobs" >/dev/null
  cmake --install "$out/xlsxwriter-linux" >/dev/null
fi
linux_build="$out/package-linux"
cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DVELTRA_TESTS=OFF \
  -DXLSXWRITER_LIB="$prefix_linux/lib/libxlsxwriter.a" -DXLSXWRITER_INCLUDE="$prefix_linux/include" \
  -DCMAKE_CXX_STANDARD_LIBRARIES=-lz -DCMAKE_EXE_LINKER_FLAGS="-static-libstdc++ -static-libgcc" >/dev/null
available=$(cmake --build "$linux_build" --target help | sed -n 's/^\.\.\. \([^ ]*\).*/\1/p')
targets=(veltra)
for t in "${engines[@]}"; do grep -qx "$t" <<<"$available" && targets+=("$t"); done
cmake --build "$linux_build" -j "$jobs" --target "${targets[@]}" >/dev/null

mkdir -p dist
stage="$out/stage"
rm -rf "$stage"

common() {  # package directory
  local dir=$1
  mkdir -p "$dir/docs" "$dir/examples"
  cp README.md "$dir/"
  cp docs/user-guide.md "$dir/docs/"
  cp -r examples/. "$dir/examples/"
}

# Windows package.
win="$stage/veltra-$version-windows-x64"
common "$win"
cp "$out/bin/"*.exe "$win/"
# Text files with the line ends Windows programs expect.
for f in "$win/README.md" "$win/docs/user-guide.md" "$win/examples/pueblo/README.md" "$win/examples/siouxfalls/README.md"; do sed -i 's/\r\?$/\r/' "$f"; done
rm -f "dist/veltra-$version-windows-x64.zip"
(cd "$stage" && zip -qr "$top/dist/veltra-$version-windows-x64.zip" "veltra-$version-windows-x64")

# Linux package.
lin="$stage/veltra-$version-linux-x64"
common "$lin"
for p in veltra t8s veltra-assign veltra-tntp SATNET SATALL SATASS SATEASY; do
  [ -f "$linux_build/$p" ] && cp "$linux_build/$p" "$lin/"
done
tar -C "$stage" -czf "dist/veltra-$version-linux-x64.tar.gz" "veltra-$version-linux-x64"

echo "Packages:"
ls -l dist/veltra-"$version"-*
