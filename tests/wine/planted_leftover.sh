#!/usr/bin/env bash
# The leftover guard at work (tests/win/leftovers.*). A planted fault (QLN_PLANT_LEFTOVER, see
# tests/win/planted_leftover_test.cpp) makes one test leave a stand-in SketchUp and the installer
# running, a SketchUp version in the registry and a file in its Plugins folder: once failing by
# assertion, once ending its process on the spot. The tests that would meet those leftovers run
# after it, each in a process of its own as ctest runs them, and must pass all the same; in the
# end nothing of any test may run in the prefix.
#   planted_leftover.sh <session-dir> <build-dir>    (QLN_DPI picks the prefix, default 96)
set -uo pipefail
session=$(realpath "$1"); build=$(realpath "$2")
run=$(dirname "$(realpath "$0")")/wine-run.sh
prefix=$session/prefix-${QLN_DPI:-96}
logs=$(mktemp -d); trap 'rm -rf "$logs"' EXIT
errors=0
fail() { echo "FAIL: $*"; errors=$((errors + 1)); }

# The tests that meet a leftover first: a running SketchUp, the installer's mutex, the registry.
victims=(
  "win_tests *RunningSketchUpTest.*"
  "win_tests SingleInstanceTest.*"
  "win_tests DiscoveryTest.NothingInstalledLeavesEmptyListAndAsksForSketchUp"
  "win_tests PagesTest.LaunchStartsTheSelectedSketchUpOrSaysItIsMissing"
  "win_tests PagesTest.DownloadInstallsIntoThePerUserPluginsFolder"
  "e2e_tests EndToEndTest.ASecondStartIsRefused"
)

# Processes of tests still running in this prefix (told apart from other sessions' by their
# environment): "pid command line" per line. The desktop's Explorer belongs to Wine.
test_processes() {
  local environ cmd
  for environ in $(grep -lzxF "WINEPREFIX=$prefix" /proc/[0-9]*/environ 2>/dev/null); do
    cmd=$(tr '\0' ' ' 2>/dev/null < "${environ%/environ}/cmdline") || continue
    case ${cmd,,} in
      *explorer.exe*/desktop*) ;;
      *sketchup*|*standin*|*quorleninstaller*|*win_tests*|*e2e_tests*|*explorer.exe*)
        environ=${environ#/proc/}; echo "${environ%/environ} $cmd" ;;
    esac
  done
}
planted_file() { find "$prefix/drive_c/users" -path '*Plugins/planted.rb' 2>/dev/null | head -n1; }

# The victims one by one, "<program> <test>", as ctest would run them.
tests=()
for entry in "${victims[@]}"; do
  program=${entry%% *}; suite=""
  while IFS= read -r line; do
    if [[ $line =~ ^[A-Za-z0-9_/]+\.$ ]]; then suite=$line; continue; fi
    [[ $line =~ ^\ \ ([A-Za-z0-9_/]+) ]] && tests+=("$program $suite${BASH_REMATCH[1]}")
  done < <("$run" "$session" "$build/$program.exe" --gtest_list_tests --gtest_filter="${entry#* }" 2>/dev/null | tr -d '\r')
done
[ ${#tests[@]} -ge 9 ] || fail "only ${#tests[@]} tests found to run after the planted fault: ${tests[*]}"

# Each in a process of its own; says whether it passed.
run_victims() {
  local entry program name start
  for entry in "${tests[@]}"; do
    program=${entry%% *}; name=${entry#* }
    start=$(date +%s%N)
    if "$run" "$session" "$build/$program.exe" --gtest_filter="$name" < /dev/null > "$logs/victim.log" 2>&1; then
      echo "  passed ($(( ($(date +%s%N) - start) / 1000000 )) ms): $program $name"
    else
      fail "$program $name failed after the planted fault:"; sed 's/^/    /' "$logs/victim.log"
    fi
    grep -h '^\[ guard' "$logs/victim.log" | sed 's/^/    /'
  done
}

plant() {
  QLN_PLANT_LEFTOVER=$1 "$run" "$session" "$build/win_tests.exe" --gtest_filter=PlantedLeftover.* > "$logs/plant.log" 2>&1
  local rc=$?
  grep -E 'Failure|left these|planted fault|^\[  (FAILED|  OK) ' "$logs/plant.log" | sed 's/^/    /'
  [ "$rc" -ne 0 ] || fail "the planted test did not fail (exit code 0)"
  grep -q 'PlantedLeftover.LeavesWhatAFailingTestLeaves' "$logs/plant.log" || fail "the planted test did not run"
}

echo "1. planted fault, failing by assertion: the guard at the test's end ends what it left"
plant fail
grep -q 'left these running.*SketchUp.exe' "$logs/plant.log" || fail "the guard did not end the stand-in SketchUp"
grep -q 'left these running.*QuorlenInstaller.exe' "$logs/plant.log" || fail "the guard did not end the installer"
grep -q 'left these behind.*SOFTWARE\\SketchUp' "$logs/plant.log" || fail "the guard did not remove the registry key"
left=$(test_processes); [ -z "$left" ] || fail "still running after the failed test: $left"
[ -z "$(planted_file)" ] || fail "the planted Plugins file outlived the failed test"
run_victims

echo "2. planted fault, ending its process on the spot: the next test's start clears what it left"
plant exit
left=$(test_processes)
grep -qi 'sketchup.exe' <<< "$left" || fail "the planted stand-in SketchUp is not running: the plant did not work"
grep -qi 'quorleninstaller.exe' <<< "$left" || fail "the planted installer is not running: the plant did not work"
[ -n "$(planted_file)" ] || fail "the planted Plugins file is missing: the plant did not work"
echo "$left" | sed 's/^/    left running: /'
run_victims

echo "3. nothing of any test is left running"
left=$(test_processes); [ -z "$left" ] || fail "still running in $prefix: $left"
[ -z "$(planted_file)" ] || fail "the planted Plugins file is still there: $(planted_file)"

if [ "$errors" -ne 0 ]; then echo "$errors failure(s)"; exit 1; fi
echo "every test after the planted faults passed; nothing is left running"
