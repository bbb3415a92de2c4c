#!/usr/bin/env bash
# Start time and memory of Quillbay.exe against a bare tray program built the same way
# (BareTray.exe), started alternately in one Wine session: ms from process start until the
# notification area has the icon, ms until the program first waits for input
# (WaitForInputIdle: a click on the icon is answered from then on), and the working set
# 3 s after start; the configuration starts hidden and does not connect. The machine's load
# average is printed before and after: on a busy machine single starts vary tenfold, so
# compare medians of many runs. Usage: measure_start.sh BUILD_DIR [RUNS]   (under xvfb-run)
set -u
build=$(cd "${1:?build folder}" && pwd)
runs=${2:-15}  # single starts under Wine vary by a quarter either way
work=$build/perf
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
mkdir -p "$work/app"
cp "$build/Quillbay.exe" "$build/Languages.ini" "$build/tests/BareTray.exe" "$build/tests/QuillbayProbe.exe" "$work/app/"
. "$(dirname "$0")/prefix.sh"
prepare_prefix "$build"
printf '[Preferences]\r\nFirstTimeUsage=0\r\nMinimizeOnStartup=1\r\nConnectNetworkDrivesOnStartup=0\r\nStartAutomaticallyByWindows=0\r\n' >"$appdata/Quillbay.ini"
wineserver -p 60  # one server for every start, as on a running Windows
measure() { wine "$work/app/QuillbayProbe.exe" measure "C:\\perf\\$1" 2>/dev/null | tr -d '\r'; }
# The probe names programs by Windows path: the app folder as drive C:'s perf folder.
ln -sfn "$work/app" "$WINEPREFIX/drive_c/perf"
measure BareTray.exe >/dev/null  # warms Wine up
load_before=$(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null)
bare=() prog=()
for _ in $(seq "$runs"); do
  bare+=("$(measure BareTray.exe)")
  prog+=("$(measure Quillbay.exe)")
done
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
bare_ms=$(printf '%s\n' "${bare[@]}" | cut -d' ' -f1 | median)
bare_kb=$(printf '%s\n' "${bare[@]}" | cut -d' ' -f2 | median)
prog_ms=$(printf '%s\n' "${prog[@]}" | cut -d' ' -f1 | median)
prog_kb=$(printf '%s\n' "${prog[@]}" | cut -d' ' -f2 | median)
bare_idle=$(printf '%s\n' "${bare[@]}" | cut -d' ' -f3 | median)
prog_idle=$(printf '%s\n' "${prog[@]}" | cut -d' ' -f3 | median)
range() { sort -n | awk 'NR == 1 {low = $1} {high = $1} END {print low "-" high}'; }
bare_range=$(printf '%s\n' "${bare[@]}" | cut -d' ' -f1 | range)
prog_range=$(printf '%s\n' "${prog[@]}" | cut -d' ' -f1 | range)
bare_idle_range=$(printf '%s\n' "${bare[@]}" | cut -d' ' -f3 | range)
prog_idle_range=$(printf '%s\n' "${prog[@]}" | cut -d' ' -f3 | range)
echo "load average (1, 5, 15 min): ${load_before:-?} before, $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo ?) after, on $(nproc 2>/dev/null || echo ?) processors"
echo "BareTray.exe: start to icon ${bare_ms} ms (${bare_range}), to input idle ${bare_idle} ms (${bare_idle_range}), working set ${bare_kb} KB (median of $runs)"
echo "Quillbay.exe: start to icon ${prog_ms} ms (${prog_range}), to input idle ${prog_idle} ms (${prog_idle_range}), working set ${prog_kb} KB (median of $runs)"
# Each start against the bare one just before it, which saw much the same load.
paired() {  # $1: field
  paste <(printf '%s\n' "${prog[@]}" | cut -d' ' -f"$1") <(printf '%s\n' "${bare[@]}" | cut -d' ' -f"$1") |
    awk '$2 > 0 {print $1 / $2}' | median | awk '{printf "%.2f", $1}'
}
echo "paired (median of each start against the bare one before it): start to icon $(paired 1)x, start to input idle $(paired 3)x"
awk -v a="$prog_ms" -v b="$bare_ms" -v c="$prog_kb" -v d="$bare_kb" -v e="$prog_idle" -v f="$bare_idle" \
  'BEGIN { printf "ratios: start to icon %.2fx, start to input idle %.2fx, working set %.2fx\n", a / b, e / f, c / d }'
wineserver -k 2>/dev/null
