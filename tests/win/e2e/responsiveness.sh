#!/usr/bin/env bash
# How QuillbaySim.exe answers while a server does not, under Wine, from another process:
#  - the worst WM_NULL round trip of the main window, one every 100 ms for 8 s, while a
#    call that takes 12 s is in flight (SendMessageTimeout, 1 s at most each);
#  - the ms from the Exit command to the main window's end during a 30-s call, against a
#    plain Exit (nothing in flight) in the same Wine session.
# Usage: responsiveness.sh BUILD_DIR   (the Windows build folder; under xvfb-run)
set -u
build=$(cd "${1:?build folder}" && pwd)
work=$build/responsiveness
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
rm -rf "$work/app"
mkdir -p "$work/app"
cp "$build/QuillbaySim.exe" "$build/Languages.ini" "$build/tests/QuillbayProbe.exe" "$work/app/"
. "$(dirname "$0")/prefix.sh"
prepare_prefix "$build"
wineserver -p 120  # one server for the whole session
probe() { timeout 90 wine "$work/app/QuillbayProbe.exe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
# The window shown, H: on \\nas\media, not connected at start: the test connects it.
prepare() {  # $1: DelayMs of the share
  printf '[Preferences]\r\nFirstTimeUsage=0\r\nMinimizeOnStartup=0\r\nConnectNetworkDrivesOnStartup=0\r\nStartAutomaticallyByWindows=0\r\n[NetworkDrive_H:]\r\nNetworkLocation=\\\\nas\\media\r\nQbyControl=1\r\n' >"$appdata/Quillbay.ini"
  printf '[Letters]\r\nC=fixed\r\n[Share \\\\nas\\media]\r\nOnline=1\r\nTotalMB=1000\r\nFreeMB=150\r\nDelayMs=%s\r\n' "$1" >"$work/app/SimulatedNetwork.ini"
  (cd "$work/app" && exec wine QuillbaySim.exe >/dev/null 2>&1) &
  probe wait 60 >/dev/null || { echo "the window did not come"; exit 1; }
}

prepare 12000
probe action AMDrivesConnectDrives
sleep 1  # the connect is on its way to the server
echo "WM_NULL round trips during a 12-s call: $(probe pings 8)"
# The run's calls end; then a plain Exit.
for _ in $(seq 60); do probe drives | grep -q '^3 | H: ' && break; sleep 1; done
plain=$(probe exittime 30)
probe gone 30 >/dev/null

prepare 30000
probe action AMDrivesConnectDrives
sleep 2
during=$(probe exittime 40)
probe gone 40 >/dev/null
echo "Exit to the window's end: ${plain:-none} ms with nothing in flight, ${during:-none} ms during a 30-s call"
grep -qi 'NetworkDrive_H:' "$appdata/Quillbay.ini" && echo "configuration saved" || echo "configuration NOT saved"
wineserver -k 2>/dev/null
