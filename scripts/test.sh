#!/usr/bin/env bash
# Installs what is missing, builds the host, sanitizer and Windows builds, and runs every
# test: the host tests with ctest (also under ThreadSanitizer and Address/UB sanitizers)
# and the Windows test program under Wine, then the installer the Windows build made, in a
# fresh Wine prefix. Ends with "N passed, N failed".
set -u
cd "$(dirname "$0")/.."
. scripts/setup.sh
ensure_packages "${HOST_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"

passed=0
failed=0
broken=()
windows_built=false

count_ctest() {  # $1: ctest log
  local line total fails
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then failed=$((failed + 1)); return; fi
  fails=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/')
  total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
  passed=$((passed + total - fails))
  failed=$((failed + fails))
}

run_host_preset() {  # $1: preset
  local preset=$1 log=build/$1-ctest.log
  echo "=== $preset: build"
  if ! { cmake --preset "$preset" -DQUILLBAY_WARNINGS_AS_ERRORS=ON >/dev/null &&
         cmake --build --preset "$preset" -j2; }; then
    broken+=("$preset build"); failed=$((failed + 1)); return
  fi
  echo "=== $preset: tests"
  mkdir -p build
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
    ctest --preset "$preset" -j2 2>&1 | tee "$log" | grep -E -v '^ *([0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|Start +[0-9]+: )'
  count_ctest "$log"
}

run_windows() {
  echo "=== windows: build"
  if ! { cmake --preset windows -DQUILLBAY_WARNINGS_AS_ERRORS=ON >/dev/null &&
         cmake --build --preset windows -j2; }; then
    broken+=("windows build"); failed=$((failed + 1)); return
  fi
  windows_built=true
  echo "=== windows: tests under Wine"
  prepare_wine "$PWD/build/windows/wineprefix"
  # Xvfb has no window manager, and Wine waits up to 2 s for one whenever a window it
  # manages is hidden; unmanaged windows are hidden at once (the end-to-end scenarios
  # copy this prefix and so run unmanaged too). run.sh keeps its own, managed prefix.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  local log=build/windows-wine.log
  (cd build/windows && xvfb-run -a -s "-screen 0 1024x768x24" wine tests/QuillbayWinTests.exe --gtest_color=no 2>&1) |
    tr -d '\r' | tee "$log" | grep -E -v '^\[ +(RUN|OK) +\]'
  wineserver -k 2>/dev/null || true
  local ok bad
  ok=$(grep -E '^\[  PASSED  \] [0-9]+ test' "$log" | sed -E 's/.* ([0-9]+) tests?.*/\1/')
  bad=$(grep -E '^\[  FAILED  \] [0-9]+ test' "$log" | sed -E 's/.* ([0-9]+) tests?.*/\1/')
  if [ -z "$ok" ] && [ -z "$bad" ]; then broken+=("wine tests did not finish"); failed=$((failed + 1)); return; fi
  passed=$((passed + ${ok:-0}))
  failed=$((failed + ${bad:-0}))

  echo "=== windows: end-to-end scenarios of QuillbaySim.exe under Wine"
  log=build/windows-e2e.log
  timeout 900 xvfb-run -a -s "-screen 0 1024x768x24" tests/win/e2e/quillbay_sim_e2e.sh build/windows 2>&1 | tee "$log"
  local line
  line=$(grep -E '^e2e: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
  if [ -z "$line" ]; then broken+=("end-to-end scenarios did not finish"); failed=$((failed + 1)); return; fi
  passed=$((passed + $(echo "$line" | sed -E 's/e2e: ([0-9]+) passed.*/\1/')))
  failed=$((failed + $(echo "$line" | sed -E 's/.* ([0-9]+) failed/\1/')))
}

run_installer() {
  $windows_built || return  # a failed Windows build is counted already
  echo "=== windows: installer and uninstaller under Wine"
  local log=build/installer-wine.log line
  timeout 1200 xvfb-run -a -s "-screen 0 1024x768x24" tests/win/installer_test.sh build/windows 2>&1 | tee "$log"
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log" | tail -n 1)
  if [ -z "$line" ]; then broken+=("installer test did not finish"); failed=$((failed + 1)); return; fi
  passed=$((passed + ${line%% passed*}))
  failed=$((failed + $(echo "$line" | sed -E 's/.*, ([0-9]+) failed/\1/')))
}

run_host_preset host
run_host_preset host-tsan
run_host_preset host-asan
run_windows
run_installer

[ ${#broken[@]} -gt 0 ] && printf 'Broken: %s\n' "${broken[@]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
