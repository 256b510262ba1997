#!/usr/bin/env bash
# Sets up a fresh machine, builds VELTRA with warnings as errors and with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/xlsxwriter.h ] || need+=(libxlsxwriter-dev)
/usr/bin/python3 -c 'import ezdxf' 2>/dev/null || need+=(python3-ezdxf)
/usr/bin/python3 -c 'import openpyxl' 2>/dev/null || need+=(python3-openpyxl)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  apt-get install -y -qq "${need[@]}" || echo "warning: could not install ${need[*]}" >&2
fi

build=${VELTRA_BUILD_DIR:-build}
cmake -S . -B "$build" -DVELTRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
