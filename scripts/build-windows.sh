#!/usr/bin/env bash
# Cross-builds VELTRA for 64-bit Windows with Debian's mingw-w64 compilers: veltra.exe and
# whatever engines the tree holds (t8s, the SATURN programs, veltra-assign, veltra-tntp),
# statically linked, with the spreadsheet written through libxlsxwriter cross-built from
# Debian's source package. The executables end up in build-windows/bin.
#
#   scripts/build-windows.sh            # release build
#   VELTRA_WINDOWS_TESTS=1 scripts/build-windows.sh   # also GoogleTest and the test programs
#
# Sources fetched here (libxlsxwriter) stay inside build-windows/, which git ignores.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
out="$top/build-windows"
prefix="$out/prefix"        # cross-built libraries and headers
tests=${VELTRA_WINDOWS_TESTS:-0}
jobs=${VELTRA_JOBS:-2}
mkdir -p "$out"

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix)
[ -f /usr/x86_64-w64-mingw32/lib/libz.a ] || need+=(libz-mingw-w64-dev)
command -v dpkg-source >/dev/null || need+=(dpkg-dev)
if [ "$tests" = 1 ]; then
  command -v wine >/dev/null || need+=(wine wine64)
  [ -d /usr/src/googletest ] || need+=(googletest)
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

toolchain="$top/cmake/mingw-w64-x86_64.cmake"
export VELTRA_WINDOWS_PREFIX="$prefix"

# libxlsxwriter from Debian's source package (the binary package holds Linux libraries only).
if [ ! -f "$prefix/lib/libxlsxwriter.a" ]; then
  src="$out/src"
  rm -rf "$src"
  mkdir -p "$src"
  if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    # Source entries for the same Debian mirror and suites the machine installs from.
    uris=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    suite=$(awk '/^Suites:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "${uris:-http://deb.debian.org/debian}" "${suite:-bookworm}" > /etc/apt/sources.list.d/veltra-deb-src.sources
    apt-get update -qq
  fi
  (cd "$src" && apt-get source -qq libxlsxwriter >/dev/null 2>&1)
  xlsx_src=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name 'libxlsxwriter*' | head -1)
  [ -n "$xlsx_src" ] || { echo "error: could not fetch the libxlsxwriter source package" >&2; exit 1; }
  # Numbers written with "." whatever the user's locale (the library's own conversion).
  cmake -S "$xlsx_src" -B "$out/xlsxwriter-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF -DUSE_DTOA_LIBRARY=ON -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build "$out/xlsxwriter-build" -j "$jobs" >/dev/null
  cmake --install "$out/xlsxwriter-build" >/dev/null
fi

# GoogleTest from Debian's source tree, for the test programs.
if [ "$tests" = 1 ] && [ ! -f "$prefix/lib/libgtest.a" ]; then
  cmake -S /usr/src/googletest -B "$out/googletest-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build "$out/googletest-build" -j "$jobs" >/dev/null
  cmake --install "$out/googletest-build" >/dev/null
fi

build="$out/release"
test_flag=OFF
[ "$tests" = 1 ] && test_flag=ON
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DVELTRA_TESTS=$test_flag \
  -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
grep -q '^XLSXWRITER_LIB:FILEPATH=.*libxlsxwriter.a' "$build/CMakeCache.txt" ||
  { echo "error: the Windows build did not find the cross-built libxlsxwriter" >&2; exit 1; }

# Whatever of the programs this tree defines (engines join the tree over time).
available=$(cmake --build "$build" --target help | sed -n 's/^\.\.\. \([^ ]*\).*/\1/p')
targets=()
for t in veltra t8s veltra-assign veltra-tntp veltra-saturn; do
  grep -qx "$t" <<<"$available" && targets+=("$t")
done
if [ "$tests" = 1 ]; then
  while read -r t; do targets+=("$t"); done < <(grep '^test_' <<<"$available" || true)
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

# The text viewer the pause settings open (a stand-in that notes what it was asked to show).
cmake -S tools/standins -B "$out/standins" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out/standins" -j "$jobs" >/dev/null

bin="$out/bin"
rm -rf "$bin"
mkdir -p "$bin"
for t in "${targets[@]}"; do
  case $t in test_*) continue ;; esac
  exe=$(find "$build" -name "$t.exe" -type f | head -1)
  [ -n "$exe" ] && cp -f "$exe" "$bin/"
done
# The SATURN-shaped programs are one executable under four names; SATURN's batch files name
# them with and without a leading "$".
for p in SATNET SATALL SATASS SATEASY; do
  [ -f "$build/$p.exe" ] && cp -f "$build/$p.exe" "$bin/$p.exe" && cp -f "$bin/$p.exe" "$bin/\$$p.exe"
done
rm -f "$bin/veltra-saturn.exe"
# No DLL may be needed besides the system's own.
for exe in "$bin"/*.exe; do
  if x86_64-w64-mingw32-objdump -p "$exe" | grep 'DLL Name' | grep -viqE 'kernel32|msvcrt|user32|advapi32|shell32|ws2_32|ole32|gdi32|bcrypt|ntdll'; then
    echo "error: $exe needs a DLL that is not part of Windows:" >&2
    x86_64-w64-mingw32-objdump -p "$exe" | grep 'DLL Name' >&2
    exit 1
  fi
done
echo "Windows executables in $bin:"
ls "$bin"
