#!/usr/bin/env bash
# Builds the Windows programs and their tests with mingw-w64 and runs them under Wine:
#   1. the unit tests;
#   2. the example town end to end with the Windows programs, the generated batch files run by
#      Wine's cmd.exe, compared with the same run of the Linux build: every output file equal,
#      the messages file but for its date and system lines, the workbook but for its dates;
#   3. the example again with the four-file SATURN form (Call, ERASE, COPY, IF EXIST lines and
#      a SET PATH= that alone leads to the programs), which must give the same results.
# Exits non-zero on any failure. Wine runs headless, in a prefix inside build-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
out="$top/build-windows"
jobs=${VELTRA_JOBS:-2}
mkdir -p "$out"

export DEBIAN_FRONTEND=noninteractive
if ! command -v wine >/dev/null; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends wine wine64 >/dev/null
fi
export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Preparing the Wine prefix..."
  wine wineboot -i >/dev/null 2>&1 || true
fi
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# One Wine server for the whole script: a server that shuts down between two programs, while the
# next one connects, loses that program ("wine client error"); it is stopped at the end. A server
# still running (the prefix's preparation leaves one for a few seconds) would refuse to start a
# second one, so it is stopped first.
wineserver -k >/dev/null 2>&1 || true
wineserver -w
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# A Windows program under Wine, ended after SECONDS: one Wine cannot start may wait on Wine's
# debugger instead of failing.
wine_limited() {  # SECONDS program arguments...
  local seconds=$1
  shift
  timeout -k 10 "$seconds" wine "$@"
}

VELTRA_WINDOWS_TESTS=1 scripts/build-windows.sh

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# The programs the loop runs: the engines, and the stand-in text viewer.
programs_win="$out/programs-win"
rm -rf "$programs_win"
mkdir -p "$programs_win"
cp "$out/standins/"*.exe "$programs_win/"
for exe in "$out/bin/"*.exe; do
  case $(basename "$exe") in veltra.exe) ;; *) cp -f "$exe" "$programs_win/" ;; esac
done

# 1. Unit tests. Left out: the tests of the program's own batch interpreter and the runs
# whose stand-in programs are POSIX shell scripts; on Windows cmd.exe runs the batch files,
# and WindowsSaturnRun checks that with Windows programs.
posix_only='Batch.RunsProgramsWithArgumentsAndInputRedirection:Batch.SetPathDirectsTheProgramSearch'
posix_only+=':Batch.ProgramsAreAlsoFoundBesideTheExecutable:Batch.FailuresAreReportedWithTheLine'
posix_only+=':SaturnRun.OneFileFormRunsTheProgramsInOrderAndRemovesTheBatchFile'
posix_only+=':SaturnRun.FourFileFormPausesAfterEachProgramButTheLast:TransytRun.*:SearchModes.*'
posix_only+=':SaturnRun.AFailingProgramIsToldWithItsExitCodeAndItsOutputKept'
export VELTRA_TEST_TMP
VELTRA_TEST_TMP=$(winpath "$out/testtmp")
export VELTRA_STANDINS
VELTRA_STANDINS=$(winpath "$programs_win")
rm -rf "$out/testtmp"
mkdir -p "$out/testtmp"
for exe in $(find "$out/release/tests" -name "test_*.exe" | sort); do
  name=$(basename "$exe" .exe)
  # The signal engine's program tests drive t8s through the POSIX shell; the engine itself is
  # also checked end to end below (the example town with the Windows programs).
  filter="-$posix_only:SignalProgram.*"
  run_test() { (cd "$(dirname "$exe")" && wine_limited 1200 "$exe" --gtest_brief=1 --gtest_filter="$filter") >"$out/$name.log" 2>&1; }
  # A lost connection to the Wine server is Wine's failure, not the test's: such a run is tried again.
  if run_test || { grep -q 'wine client error' "$out/$name.log" && run_test; }; then
    echo "$name: $(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$out/$name.log" | head -1) - passed"
  else
    fail "$name (log in $out/$name.log)"
    grep -E '^\[  FAILED  \] [A-Za-z]' "$out/$name.log" | sort -u >&2 || true
  fi
done

# 2. The example town on both systems.
linux_build="$out/linux"
cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=Release -DVELTRA_TESTS=OFF >/dev/null
available=$(cmake --build "$linux_build" --target help | sed -n 's/^\.\.\. \([^ ]*\).*/\1/p')
targets=()
for t in veltra t8s veltra-assign veltra-tntp veltra-saturn; do
  grep -qx "$t" <<<"$available" && targets+=("$t")
done
cmake --build "$linux_build" -j "$jobs" --target "${targets[@]}" >/dev/null
cmake -S tools/standins -B "$out/standins-linux" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out/standins-linux" -j "$jobs" >/dev/null
programs_linux="$out/programs-linux"
rm -rf "$programs_linux"
mkdir -p "$programs_linux"
cp "$out/standins-linux/wordpad" "$programs_linux/"
for p in t8s SATNET SATALL SATASS SATEASY; do
  [ -f "$linux_build/$p" ] && cp -f "$linux_build/$p" "$programs_linux/"
done

# Sets key=value in a section of a configuration file, in place of the key's own line.
set_ini() {  # file, section, key, value
  python3 - "$@" <<'PY'
import sys
path, section, key, value = sys.argv[1:5]
lines = open(path, encoding="latin-1").read().splitlines()
current, done, out = "", False, []
for line in lines:
    t = line.strip()
    if t.startswith("["):
        if current.lower() == section.lower() and not done:
            out.append(key + "=" + value)
            done = True
        current = t[1:t.find("]")]
    if current.lower() == section.lower() and t.split("=")[0].strip().lower() == key.lower() and not done:
        line, done = key + "=" + value, True
    out.append(line)
if not done:
    out += ["[" + section + "]", key + "=" + value]
open(path, "w", encoding="latin-1", newline="").write("\r\n".join(out) + "\r\n")
PY
}

run_example() {  # directory, system, then section key value triples for the configuration
  local dir=$1 system=$2
  shift 2
  rm -rf "$dir"
  mkdir -p "$dir"
  cp examples/pueblo/* "$dir/"
  while [ $# -ge 3 ]; do
    set_ini "$dir/Veltra.INI" "$1" "$2" "$3"
    shift 3
  done
  if [ "$system" = windows ]; then
    (cd "$dir" && WINEPATH=$(winpath "$programs_win") wine_limited 1200 "$out/bin/veltra.exe" pueblo.dat nodos.txt pueblo_tr.dat) \
      >"$dir.console" 2>&1 || true
  else
    (cd "$dir" && PATH="$programs_linux:$PATH" "$linux_build/veltra" pueblo.dat nodos.txt pueblo_tr.dat) >"$dir.console" 2>&1 || true
  fi
}

# A SATURN listing or flows file without the seconds each simulation-assignment loop and each
# assignment iteration took (the last column of their tables), which depend on the machine, not
# on the model.
without_seconds() {  # file
  awk '{ if ((NF == 6 || NF == 7) && $1 ~ /^[0-9]+$/ && $NF ~ /^[0-9]+\.[0-9][0-9]\r?$/) sub(/ +[0-9]+\.[0-9][0-9]\r?$/, ""); print }' "$1"
}

# Every file of the two runs equal, but for what names the system or the day.
compare_runs() {  # linux dir, windows dir
  local a=$1 b=$2 f
  diff <(cd "$a" && find . -type f | sort) <(cd "$b" && find . -type f | sort) >/dev/null ||
    fail "different files in $a and $b: $(diff <(cd "$a" && find . -type f | sort) <(cd "$b" && find . -type f | sort) | tr '\n' ' ')"
  while read -r f; do
    [ -f "$b/$f" ] || continue
    case $f in
      *.msg)
        diff <(grep -v '^Fecha de Ejecuci\|^Corriendo sobre\|^Sistema Operativo' "$a/$f") \
             <(grep -v '^Fecha de Ejecuci\|^Corriendo sobre\|^Sistema Operativo' "$b/$f") >/dev/null ||
          fail "$f differs between $a and $b" ;;
      *.ufn | *_informe.html)
        # The assignment input and the run report name the working directory, in each system's form.
        diff <(grep -v 'e2e-linux\|e2e-windows' "$a/$f") <(grep -v 'e2e-linux\|e2e-windows' "$b/$f") >/dev/null ||
          fail "$f differs between $a and $b" ;;
      *.lpa | *.ufa)
        diff <(without_seconds "$a/$f") <(without_seconds "$b/$f") >/dev/null || fail "$f differs between $a and $b" ;;
      *_programas.log)
        # Windows runs each program through cmd.exe, which echoes its command lines and gives one
        # exit code per batch file: the log's headings, which name what ran in which order, must agree.
        diff <(grep '^===' "$a/$f") <(grep '^===' "$b/$f") >/dev/null || fail "$f differs between $a and $b" ;;
      *.xlsx)
        python3 - "$a/$f" "$b/$f" <<'PY' || fail "$f differs between $a and $b"
import sys, zipfile
a, b = (zipfile.ZipFile(p) for p in sys.argv[1:3])
names = sorted(a.namelist())
sys.exit(0 if names == sorted(b.namelist()) and all(
    n == "docProps/core.xml" or a.read(n) == b.read(n) for n in names) else 1)
PY
        ;;
      *) cmp -s "$a/$f" "$b/$f" || fail "$f differs between $a and $b" ;;
    esac
  done < <(cd "$a" && find . -type f | sed 's|^\./||')
}

run_example "$out/e2e-linux" linux
run_example "$out/e2e-windows" windows
grep -q 'Termina por Precision Flujos Saturn' "$out/e2e-windows.console" || fail "the Windows run did not converge (see $out/e2e-windows.console)"
grep -q 'ERROR' "$out/e2e-windows.console" && fail "the Windows run reported errors (see $out/e2e-windows.console)"
[ -f "$out/e2e-windows/pueblo_nodos.xlsx" ] || fail "the Windows run wrote no workbook"
compare_runs "$out/e2e-linux" "$out/e2e-windows"
echo "Example town: Windows and Linux outputs compared ($(ls "$out/e2e-windows" | wc -l) files)."

# 3. The four-file SATURN form, with the programs found only through the batch file's PATH.
run_example "$out/e2e-windows-a" windows Saturn VersionSaturn 9.1 Saturn PathSaturn "$(winpath "$programs_win")" \
  Parametros PausaSatass 1 Saturn BorrarLPT 1 Saturn EsperaSaturn 0
grep -q 'Termina por Precision Flujos Saturn' "$out/e2e-windows-a.console" || fail "the four-file form run did not converge (see $out/e2e-windows-a.console)"
for f in pueblo_ciclos.csv pueblo_repartos.csv pueblo_F.lpa pueblo_tr_F_1.prt; do
  diff <(without_seconds "$out/e2e-windows/$f") <(without_seconds "$out/e2e-windows-a/$f") >/dev/null ||
    fail "$f of the four-file form differs"
done
grep -q 'wordpad pueblo_1.LPA' "$out/e2e-windows-a/visor.txt" 2>/dev/null || fail "IF EXIST ... wordpad did not run"

# The usage text and its exit code.
set +e
(cd "$out" && wine_limited 300 "$out/bin/veltra.exe" one two) >"$out/usage.console" 2>&1
code=$?
set -e
usage=$(tr -d '\r' <"$out/usage.console")
[ "$code" = 1 ] || fail "usage exit code $code, not 1"
grep -q '^Uso:$' <<<"$usage" || fail "no usage text: $usage"
grep -q "version $(sed -n 's/^project(veltra VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" <<<"$usage" || fail "the usage text shows no version"

if [ $failures -gt 0 ]; then
  echo "$failures Windows check(s) failed" >&2
  exit 1
fi
echo "All Windows checks passed."
