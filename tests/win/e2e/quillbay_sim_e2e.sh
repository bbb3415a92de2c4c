#!/usr/bin/env bash
# End-to-end scenarios of QuillbaySim.exe under Wine and Xvfb. The program is looked at
# only from outside, through the Windows API (QuillbayProbe.exe): its window, both lists
# read across processes, the status bar, message boxes, commands and the end of the session.
# Usage: quillbay_sim_e2e.sh BUILD_DIR [SCENARIO]   (the Windows build folder). Run it
# under xvfb-run.
# Prints "e2e: N passed, N failed" and exits non-zero when a scenario failed.
set -u
build=$(cd "${1:?build folder}" && pwd)
work=$build/e2e
export WINEPREFIX=$work/wineprefix WINEDEBUG=-all
passed=0
failed=0

rm -rf "$work/app"
mkdir -p "$work/app"
cp "$build/QuillbaySim.exe" "$build/Languages.ini" "$build/QBYHelp.chm" "$work/app/"
cp "$build/tests/QuillbayProbe.exe" "$build/tests/PlantedLibrary.dll" "$work/"
. "$(dirname "$0")/prefix.sh"
prepare_prefix "$build"
config=$appdata/Quillbay.ini
net=$work/app/SimulatedNetwork.ini

probe() { timeout 60 wine "$work/QuillbayProbe.exe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
start() { (cd "$work/app" && exec wine QuillbaySim.exe >/dev/null 2>&1) & }
# Ends whatever is left of a scenario: the program in order if it still answers, else Wine.
cleanup() {
  probe running || return 0
  # One still starting takes Exit once its start-up is over.
  if probe wait 20 >/dev/null; then probe action AMFileExit >/dev/null; fi
  probe gone 20 >/dev/null || wineserver -k
}
network() {  # $1: Online of \\nas\media, $2: Vanish
  printf '[Letters]\r\nC=fixed\r\n[Share \\\\nas\\media]\r\nOnline=%s\r\nTotalMB=1000\r\nFreeMB=150\r\n[Events]\r\nVanish=%s\r\n' "$1" "$2" >"$net"
}
check() {  # $1: what, $2..: command that must succeed
  local what=$1
  shift
  if "$@"; then return 0; fi
  echo "    not so: $what"
  return 1
}
scenario() {  # $1: name, $2: function
  echo "--- $1"
  if timeout 150 bash -c "$2"; then
    passed=$((passed + 1)); echo "    passed"
  else
    failed=$((failed + 1)); echo "    FAILED"
  fi
  cleanup
}
until_true() {  # $1: seconds, $2..: command
  local end=$((SECONDS + $1))
  shift
  until "$@"; do [ $SECONDS -ge $end ] && return 1; sleep 1; done
}
has_drive() { probe drives | grep -q -- "$1"; }
has_message() { probe messages | grep -q -- "$1"; }
export -f probe start cleanup network check until_true has_drive has_message
export work net config build

first_run() {
  rm -f "$config"
  network 1 ""
  printf '[Mappings]\r\nH=\\\\nas\\media\r\n' >>"$net"
  start
  # The first run offers the mapping made outside, then welcomes the user once.
  check "import offered" bash -c 'probe box 40 Yes | grep -q "H:"' &&
    check "window" probe wait 30 >/dev/null &&
    check "welcome" bash -c 'probe box 20 | grep -q "Welcome to Quillbay."' &&
    check "shown on the first run" bash -c '[ "$(probe visible)" = 1 ]' &&
    check "H: connected (image 3) with its free space" until_true 20 has_drive '^3 | H: .*nas\\media.* | 15 %' &&
    check "status" bash -c 'probe status | grep -q "Connected: 1"' &&
    check "Exit ends the program" bash -c 'probe action AMFileExit && probe gone 30' &&
    check "Exit saved the drive" grep -qi 'nas\\media' "$config"
}

second_run() {
  network 1 ""
  start
  check "window" probe wait 40 >/dev/null &&
    check "no welcome the second time" bash -c 'sleep 3; probe nobox' &&
    check "hidden in the notification area" bash -c '[ "$(probe visible)" = 0 ]' &&
    check "connected at start-up" until_true 20 has_message "Successfully connected drive 'H:'" &&
    check "drive row" has_drive '^3 | H: '
}

offline_and_back() {
  network 1 ""
  start
  check "window" probe wait 40 >/dev/null && check "connected" until_true 20 has_drive '^3 | H: ' || return 1
  network 0 ""
  # The next keep-alive run fails and switches to the short schedule.
  check "retrying every 10 seconds" until_true 80 has_message 'Retrying every 10 seconds' &&
    check "an error line" has_message '^2 | ' &&
    check "row in error (image 12)" until_true 5 has_drive '^12 | H: ' &&
    check "status counts the error" bash -c 'probe status | grep -q "In error: 1"' || return 1
  network 1 ""
  check "reconnected on the short schedule" until_true 25 has_drive '^3 | H: ' &&
    check "recovery line" until_true 5 has_message 'Reconnect timer restarted with the normal interval'
}

back_within_seconds() {
  network 0 ""
  start
  check "window" probe wait 40 >/dev/null && check "row in error after start-up" until_true 30 has_drive '^12 | H: ' || return 1
  network 1 ""
  # The share's return is news of a changed network: no waiting for the next timer tick.
  check "connected within 5 seconds of the share's return" until_true 5 has_drive '^3 | H: ' &&
    check "the line says why" has_message 'The network has changed'
}

dropped_from_outside() {
  network 1 ""
  start
  check "window" probe wait 40 >/dev/null && check "connected" until_true 20 has_drive '^3 | H: ' || return 1
  local before
  before=$(probe messages | grep -c "Successfully connected drive 'H:'")
  network 1 H
  check "reconnected at once after the removal notification" until_true 15 \
    bash -c "[ \$(probe messages | grep -c \"Successfully connected drive 'H:'\") -gt $before ]" &&
    check "row connected" has_drive '^3 | H: '
}

second_instance() {
  network 1 ""
  start
  check "window" probe wait 40 >/dev/null || return 1
  (cd "$work/app" && timeout 60 wine QuillbaySim.exe >/dev/null 2>&1) &
  local second=$!
  check "refused with its box" bash -c 'probe box 30 | grep -q "Quillbay is already running."' &&
    check "the second instance ends" bash -c "for i in \$(seq 30); do kill -0 $second 2>/dev/null || exit 0; sleep 1; done; exit 1" &&
    check "the first one still runs" bash -c "probe wait 0 >/dev/null"
}

end_of_session() {
  network 1 ""
  start
  check "window" probe wait 40 >/dev/null && check "connected" until_true 20 has_drive '^3 | H: ' || return 1
  rm -f "$config"
  check "the session may end" bash -c 'probe endsession | grep -q "query 1"' &&
    check "configuration saved before the end" test -s "$config" &&
    check "the program ends by itself" probe gone 15
}
slow_share() {
  # Every call to the share takes 12 s: the window must answer while one is in flight.
  printf '[Letters]\r\nC=fixed\r\n[Share \\\\nas\\media]\r\nOnline=1\r\nTotalMB=1000\r\nFreeMB=150\r\nDelayMs=12000\r\n' >"$net"
  mkdir -p "$(dirname "$config")"
  printf '[Preferences]\r\nFirstTimeUsage=0\r\nStartAutomaticallyByWindows=0\r\n[NetworkDrive_H:]\r\nNetworkLocation=\\\\nas\\media\r\n' >"$config"
  start
  check "window" probe wait 40 >/dev/null || return 1
  probe action AMDrivesConnectDrives
  sleep 1
  check "every WM_NULL answered within a second while the call is in flight" probe pings 4 &&
    check "a second run is refused with its line" bash -c 'probe action AMDrivesConnectDrives; until_true 5 has_message "still waiting for a server"' &&
    check "the window still answers" probe pings 1 &&
    check "Exit during the call ends the program within 8 s" probe exittime 8 &&
    check "the process ends" probe gone 10 &&
    check "Exit saved the drive" grep -qi 'nas\\media' "$config"
}

help_with_f1() {
  network 1 ""
  start
  check "window" probe wait 40 >/dev/null || return 1
  probe action AMFileMinimizeRestore
  check "shown" until_true 10 bash -c '[ "$(probe visible)" = 1 ]' || return 1
  # The viewer shows the contents and the index; Wine without its HTML engine leaves the
  # page itself blank, which the test cannot see and does not ask about.
  probe key F1
  check "F1 opens the help window" until_true 20 bash -c 'probe windows | grep -q ": Quillbay Help$"' &&
    check "no warning about a missing help file" probe nobox &&
    check "the help window closes" probe closetitled "Quillbay Help" &&
    check "the program still runs" bash -c "probe wait 0 >/dev/null"
}

planted_library() {
  network 1 ""
  local planted
  for planted in hhctrl.ocx comctl32.dll; do
    cp "$work/PlantedLibrary.dll" "$work/app/$planted"
    rm -f "$work/app/$planted.loaded"
  done
  # Native first: Wine then searches as Windows does, the program's folder before the
  # system folder, unless the program keeps the search to the system folder (the
  # controls library it loads by name, after start-up).
  WINEDLLOVERRIDES="hhctrl.ocx,comctl32=n,b" start
  check "window" probe wait 40 >/dev/null || return 1
  probe action AMFileMinimizeRestore
  check "shown" until_true 10 bash -c '[ "$(probe visible)" = 1 ]' || return 1
  probe key F1
  check "F1 opens the help window" until_true 20 bash -c 'probe windows | grep -q ": Quillbay Help$"' &&
    check "the help library beside the program was never loaded" test ! -e "$work/app/hhctrl.ocx.loaded" &&
    check "the controls library beside the program was never loaded" test ! -e "$work/app/comctl32.dll.loaded" &&
    check "the help window closes" probe closetitled "Quillbay Help"
}
any_folder_name() {
  # Names that the system's 8-bit code page (1252 here) cannot hold: 日本 and Ł.
  local folder='C:\Büro Programme\Quillbay Ñ 日本'
  local unix_folder="$WINEPREFIX/drive_c/Büro Programme/Quillbay Ñ 日本"
  local profile="$WINEPREFIX/drive_c/users/Łukasz/AppData/Roaming"
  rm -rf "$WINEPREFIX/drive_c/Büro Programme" "$WINEPREFIX/drive_c/users/Łukasz"
  mkdir -p "$unix_folder" "$profile"
  network 1 ""
  cp "$work/app/QuillbaySim.exe" "$work/app/Languages.ini" "$work/app/QBYHelp.chm" "$net" "$unix_folder/"
  printf '[Preferences]\r\nFirstTimeUsage=0\r\n[NetworkDrive_H:]\r\nNetworkLocation=\\\\nas\\media\r\n' >"$profile/Quillbay.ini"
  # Wine sets the profile's variables itself when started from outside; a process it
  # starts inherits them, so cmd sets them and starts the program.
  (cd "$unix_folder" && PROFILE_FOLDER='C:\users\Łukasz' exec wine cmd /c \
    'set USERPROFILE=%PROFILE_FOLDER%&& set APPDATA=%PROFILE_FOLDER%\AppData\Roaming&& QuillbaySim.exe' >/dev/null 2>&1) &
  check "window" probe wait 40 >/dev/null &&
    check "the drive of the profile's Quillbay.ini, connected" until_true 20 has_drive '^3 | H: ' &&
    check "texts from Languages.ini beside the program" until_true 5 has_message "Successfully connected drive 'H:'" &&
    check "no text missing" bash -c '! probe messages | grep -q "Translation error"' &&
    check "shown" bash -c 'probe action AMFileMinimizeRestore; until_true 10 bash -c "[ \"\$(probe visible)\" = 1 ]"' &&
    check "F1 opens the help file beside the program" \
      bash -c 'probe key F1; until_true 20 bash -c "probe windows | grep -q \": Quillbay Help$\""' &&
    check "the help window closes" probe closetitled "Quillbay Help" &&
    check "Exit ends the program without an error box" bash -c 'probe action AMFileExit && probe gone 30' &&
    check "the configuration was saved in the profile" grep -q 'MinimizeOnStartup=' "$profile/Quillbay.ini" &&
    check "the autostart value names the program's real path" \
      test "$(probe runvalue Quillbay)" = "\"$folder\\QuillbaySim.exe\""
  local result=$?
  wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Quillbay /f >/dev/null 2>&1
  return $result
}

planted_library_cleanup() { rm -f "$work/app/hhctrl.ocx"* "$work/app/comctl32.dll"*; }

# Every library a program imports is loaded, and its start-up code run, before the program's
# first line: the controls library (some 30 ms under Wine) waits for the first window that
# has controls, so that the icon answers as soon as a bare tray program's.
start_libraries() {
  local exe imports
  for exe in Quillbay.exe QuillbaySim.exe; do
    imports=$(x86_64-w64-mingw32-objdump -p "$build/$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
    check "$exe imports only what its start needs (it imports $imports)" \
      test "$imports" = "ADVAPI32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL SHELL32.DLL USER32.DLL " || return 1
  done
}

export -f start_libraries any_folder_name planted_library help_with_f1 first_run second_run offline_and_back back_within_seconds dropped_from_outside second_instance end_of_session slow_share

only=${2:-}
if [ -n "$only" ]; then
  scenario "$only" "$only"
  wineserver -k 2>/dev/null
  echo "e2e: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
fi
scenario "first run: import offered, welcome, connect, Exit saves" first_run
scenario "second run: hidden, no welcome, connects" second_run
scenario "a share goes offline and comes back" offline_and_back
scenario "a share back online is connected within seconds" back_within_seconds
scenario "a mapping dropped from outside is reconnected at once" dropped_from_outside
scenario "a second instance is refused" second_instance
scenario "end of the Windows session saves the configuration" end_of_session
scenario "F1 in the main window opens the help" help_with_f1
scenario "a library planted beside the program is never loaded" planted_library
planted_library_cleanup
scenario "the controls library is loaded with the first window, not at start" start_libraries
scenario "a program folder and a profile with any characters in their names" any_folder_name
scenario "a slow share: the window answers, Exit during the call ends in order" slow_share

wineserver -k 2>/dev/null
echo "e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
