#!/usr/bin/env bash
# What an idle Quillbay.exe costs under Wine, against a bare tray program built the same
# way (BareTray.exe): processor time and thread wake-ups per idle minute. Each program runs
# alone, Quillbay hidden with nothing to connect and the default one-minute keep-alive; after
# it has settled, its threads are watched from /proc for whole minutes.
#   processor time: the threads' time on a processor (schedstat, nanoseconds)
#   wake-ups:       the times a thread went from asleep to running, seen by sampling its
#                   context-switch counters every 50 ms (one Windows wait under Wine takes
#                   several switches through Wine's server; they count as one wake-up)
#   switches:       the raw context switches, for comparison
# Wine's server answers the program's calls; its time in the same window is printed as
# "wineserver" (it also serves the prefix's own services, alike for both programs).
# Usage: measure_idle.sh BUILD_DIR [MINUTES]   (under xvfb-run; MINUTES per program, 3 by default)
set -u
build=$(cd "${1:?build folder}" && pwd)
minutes=${2:-3}
settle=30  # seconds after start before watching: start-up work is not idle
work=$build/perf
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work/app"
cp "$build/Quillbay.exe" "$build/Languages.ini" "$build/tests/BareTray.exe" "$work/app/"
. "$(dirname "$0")/prefix.sh"
prepare_prefix "$build"
printf '[Preferences]\r\nFirstTimeUsage=0\r\nMinimizeOnStartup=1\r\nConnectNetworkDrivesOnStartup=0\r\nStartAutomaticallyByWindows=0\r\n' >"$appdata/Quillbay.ini"
ln -sfn "$work/app" "$WINEPREFIX/drive_c/perf"
wineserver -p 600

# Processes of this prefix only (other Wine sessions may run on the machine).
in_prefix() { tr '\0' '\n' 2>/dev/null <"/proc/$1/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; }
find_program() {  # $1: exe name; prints its pid
  local dir pid
  for dir in /proc/[0-9]*; do
    pid=${dir#/proc/}
    tr '\0' ' ' 2>/dev/null <"$dir/cmdline" | grep -q "$1" && in_prefix "$pid" && { echo "$pid"; return 0; }
  done
  return 1
}
cpu_ns() {  # summed processor time of the threads of the given processes
  local pid task run total=0
  for pid in "$@"; do
    for task in /proc/"$pid"/task/*; do
      read -r run _ 2>/dev/null <"$task/schedstat" && total=$((total + run))
    done
  done
  echo "$total"
}
switches() {  # $1: /proc/PID/task/TID; sets n to its voluntary + involuntary switches
  local key value
  n=0
  while IFS=$':\t ' read -r key value; do
    case $key in voluntary_ctxt_switches | nonvoluntary_ctxt_switches) n=$((n + value)) ;; esac
  done 2>/dev/null <"$1/status"
}

watch() {  # $1: exe name
  local exe=$1 pid
  (cd "$work/app" && exec wine "C:\\perf\\$exe" >/dev/null 2>&1) &
  for _ in $(seq 100); do pid=$(find_program "$exe") && break; sleep 0.1; done
  [ -n "${pid:-}" ] || { echo "$exe: did not start" >&2; return 1; }
  sleep "$settle"
  local server
  server=$(find_program wineserver)
  declare -A first last wakes
  local task tid n
  for task in /proc/"$pid"/task/*; do
    tid=${task##*/}
    switches "$task"
    first[$tid]=$n last[$tid]=$n wakes[$tid]=0
  done
  local cpu0 wine0
  cpu0=$(cpu_ns "$pid")
  wine0=$(cpu_ns "$server")
  local end=$((SECONDS + 60 * minutes)) tick
  exec {tick}<> <(:)
  while [ $SECONDS -lt $end ]; do
    read -r -t 0.05 -u "$tick" _
    for task in /proc/"$pid"/task/*; do
      tid=${task##*/}
      switches "$task"
      if [ -z "${last[$tid]:-}" ]; then  # a thread started meanwhile: its start is a wake-up
        first[$tid]=0 last[$tid]=$n wakes[$tid]=1
      elif [ "$n" -gt "${last[$tid]}" ]; then
        wakes[$tid]=$((wakes[$tid] + 1)) last[$tid]=$n
      fi
    done
  done
  exec {tick}<&-
  local cpu1 wine1
  cpu1=$(cpu_ns "$pid")
  wine1=$(cpu_ns "$server")
  local total_wakes=0 total_switches=0 detail=""
  for tid in "${!wakes[@]}"; do
    total_wakes=$((total_wakes + wakes[$tid]))
    total_switches=$((total_switches + last[$tid] - first[$tid]))
    local name="thread $tid"
    [ "$tid" = "$pid" ] && name="main thread"
    detail+=$(awk -v n="$name" -v w="${wakes[$tid]}" -v s="$((last[$tid] - first[$tid]))" -v m="$minutes" \
      'BEGIN { printf "\n    %s: %.1f wake-ups, %.1f switches per minute", n, w / m, s / m }')
  done
  awk -v e="$exe" -v c="$((cpu1 - cpu0))" -v w="$((wine1 - wine0))" -v k="$total_wakes" -v s="$total_switches" -v m="$minutes" \
    'BEGIN { printf "%s: %.1f ms processor time, %.1f wake-ups, %.1f switches per idle minute (wineserver: %.1f ms)", e, c / 1e6 / m, k / m, s / m, w / 1e6 / m }'
  echo "$detail"
}

echo "idle minutes watched per program: $minutes (after ${settle} s to settle)"
# Each program alone in the prefix; ending the prefix's server ends it (and only it).
watch BareTray.exe
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
wineserver -p 600
watch Quillbay.exe
wineserver -k 2>/dev/null
