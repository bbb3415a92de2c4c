#!/usr/bin/env bash
# The installer as an administrator rolls it out: silent install into a fresh Wine prefix
# with a Deployment.ini beside it, the installed files, shortcut and Uninstall entry, the
# installed programs started, a running Quillbay ended by a reinstall and by the
# uninstaller, and a silent uninstall that removes the files and the autostart value but
# keeps the user's Quillbay.ini unless /REMOVESETTINGS is given.
#
# Usage (under an X server, e.g. xvfb-run): tests/win/installer_test.sh [build folder]
# Prints one "PASS: ..." or "FAIL: ..." line per check and ends with "N passed, N failed".
# Every Wine start is bounded in time; the prefix is made for the test and removed after.
set -u
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build/windows}" && pwd)"
setup=$(ls "$build"/dist/QuillbaySetup-*.exe 2>/dev/null | head -n 1)

passed=0
failed=0
check() {  # $1: description, rest: command that must succeed
  local description=$1
  shift
  if "$@" >/dev/null 2>&1; then echo "PASS: $description"; passed=$((passed + 1))
  else echo "FAIL: $description"; failed=$((failed + 1)); fi
}
finish() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}
bounded() { timeout "$@"; }  # seconds, command...

export WINEPREFIX="$build/installer-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
if [ -z "$setup" ]; then check "installer built in $build/dist" false; finish; fi
mkdir -p "$WINEPREFIX"
bounded 300 wineboot --init >/dev/null 2>&1
bounded 120 wineserver -w

winreg() { bounded 60 wine reg "$@" 2>/dev/null | tr -d '\r'; }
has_value() { winreg query "$1" /v "$2" | grep -q "$2"; }
user_folder=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Roaming 2>/dev/null | grep -v /Public/ | head -n 1)
user_folder=${user_folder%/AppData/Roaming}
installed="$user_folder/AppData/Local/Programs/Quillbay"
shortcut="$user_folder/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quillbay.lnk"
settings="$user_folder/AppData/Roaming/Quillbay.ini"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillbay'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
has_quillbay=false
cmake -E tar tf "$(ls "$build"/dist/Quillbay-*-portable.zip | head -n 1)" 2>/dev/null | grep -q '^Quillbay/Quillbay.exe$' && has_quillbay=true

zip=$(ls "$build"/dist/Quillbay-*-portable.zip 2>/dev/null | head -n 1)
zipped=$(cmake -E tar tf "$zip" 2>/dev/null)
for file in Languages.ini QBYHelp.chm QuillbayPassword.exe Deployment.ini.example; do
  check "the portable zip holds $file" grep -qx "Quillbay/$file" <<<"$zipped"
done
$has_quillbay && check "the portable zip holds Quillbay.exe" grep -qx "Quillbay/Quillbay.exe" <<<"$zipped"

# An administrator's share: the installer with a Deployment.ini beside it.
share="$WINEPREFIX/drive_c/share"
mkdir -p "$share"
cp "$setup" "$share/QuillbaySetup.exe"
printf '[NetworkDrive_P:]\r\nNetworkLocation=\\\\fileserver\\projects\r\n' > "$share/Deployment.ini"

bounded 180 wine 'C:\share\QuillbaySetup.exe' /S
bounded 120 wineserver -w
for file in Languages.ini QBYHelp.chm QuillbayPassword.exe Deployment.ini.example Uninstall.exe; do
  check "silent install puts $file into the user's programs folder" test -f "$installed/$file"
done
$has_quillbay && check "silent install puts Quillbay.exe there" test -f "$installed/Quillbay.exe"
check "the Deployment.ini beside the installer is copied beside the program" cmp "$share/Deployment.ini" "$installed/Deployment.ini"
check "the help file installed is the one built" cmp "$build/QBYHelp.chm" "$installed/QBYHelp.chm"
check "a Start-menu shortcut is made" test -f "$shortcut"
check "the Uninstall entry is under the current user" has_value "$uninstall_key" UninstallString
check "the Uninstall entry names the installed uninstaller" bash -c "wine reg query '$uninstall_key' /v QuietUninstallString 2>/dev/null | grep -q 'Uninstall.exe\" /S'"
check "nothing is written for all users without /ALLUSERS" bash -c "! wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillbay' >/dev/null 2>&1"

# The installed programs start. The password tool round-trips a password with quotes.
stored=$(printf 'P@ss "quoted" word\r\n' | bounded 60 wine "$installed/QuillbayPassword.exe" 2>/dev/null | tr -d '\r')
check "the installed password tool scrambles a password" test -n "$stored"
decoded=$(printf '%s\r\n' "$stored" | bounded 60 wine "$installed/QuillbayPassword.exe" --decode 2>/dev/null | tr -d '\r')
check "the installed password tool gives the password back" test "$decoded" = 'P@ss "quoted" word'

# A running Quillbay: the real one once the build makes it, else a stand-in of that name.
quillbay_pid=
start_quillbay() {  # sets quillbay_pid only when the program is running
  quillbay_pid=
  [ -d "$installed" ] || return
  if ! $has_quillbay; then cp "$WINEPREFIX/drive_c/windows/notepad.exe" "$installed/Quillbay.exe"; fi
  wine "$installed/Quillbay.exe" >/dev/null 2>&1 &
  local pid=$!
  sleep 5
  kill -0 "$pid" 2>/dev/null && quillbay_pid=$pid
}
ended_within() {  # $1: seconds; true only for a program that was running
  [ -n "$quillbay_pid" ] || return 1
  local waited=0
  while kill -0 "$quillbay_pid" 2>/dev/null && [ "$waited" -lt "$1" ]; do sleep 1; waited=$((waited + 1)); done
  ! kill -0 "$quillbay_pid" 2>/dev/null
}
stop_quillbay() { [ -n "$quillbay_pid" ] && kill "$quillbay_pid" 2>/dev/null; quillbay_pid=; }
gone() { [ "$was_installed" = yes ] && [ ! -e "$1" ]; }  # removed, not merely never there
start_quillbay
check "the installed Quillbay.exe starts and keeps running" test -n "$quillbay_pid"
bounded 180 wine 'C:\share\QuillbaySetup.exe' /S
check "installing again ends the running Quillbay" ended_within 30
stop_quillbay
check "installing again leaves a complete installation" test -f "$installed/QBYHelp.chm" -a -f "$installed/Uninstall.exe"

# What Quillbay leaves behind while it is used: its settings and its autostart value.
printf '[Preferences]\r\nFirstTimeUsage=0\r\n' > "$settings"
winreg add "$run_key" /v Quillbay /t REG_SZ /d "$(winepath -w "$installed/Quillbay.exe" 2>/dev/null)" /f >/dev/null
check "the autostart value is there before the uninstall" has_value "$run_key" Quillbay

was_installed=no
[ -f "$installed/Uninstall.exe" ] && [ -f "$shortcut" ] && was_installed=yes
start_quillbay
bounded 180 wine "$installed/Uninstall.exe" /S
check "the uninstaller ends the running Quillbay" ended_within 30
# Asked to exit rather than stopped, it writes its settings out as it ends.
$has_quillbay && check "the ended Quillbay saved its settings first" grep -q MinimizeOnStartup "$settings"
stop_quillbay
bounded 120 wineserver -w  # the uninstaller finishes from a copy of itself
check "silent uninstall removes the program folder" gone "$installed"
check "silent uninstall removes the shortcut" gone "$shortcut"
check "silent uninstall removes the Uninstall entry" bash -c "[ $was_installed = yes ] && ! wine reg query '$uninstall_key' >/dev/null 2>&1"
check "silent uninstall removes the autostart value" bash -c "[ $was_installed = yes ] && ! wine reg query '$run_key' /v Quillbay 2>/dev/null | grep -q Quillbay"
check "silent uninstall keeps the user's Quillbay.ini" test -f "$settings"

# Asked to, the uninstaller removes the settings as well.
bounded 180 wine 'C:\share\QuillbaySetup.exe' /S
bounded 120 wineserver -w
was_installed=no
[ -f "$installed/Uninstall.exe" ] && [ -f "$settings" ] && was_installed=yes
bounded 180 wine "$installed/Uninstall.exe" /S /REMOVESETTINGS
bounded 120 wineserver -w
check "uninstall with /REMOVESETTINGS removes Quillbay.ini" gone "$settings"
check "uninstall with /REMOVESETTINGS removes the program folder too" gone "$installed"

# For all users: Program Files, the all-users Start menu and the machine's Uninstall key.
# (Wine's user counts as an administrator, so the request for rights is not seen here.)
everyone="$WINEPREFIX/drive_c/Program Files/Quillbay"
everyone_shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillbay.lnk"
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillbay'
bounded 180 wine 'C:\share\QuillbaySetup.exe' /S /ALLUSERS
bounded 120 wineserver -w
check "/ALLUSERS installs into Program Files" test -f "$everyone/QBYHelp.chm" -a -f "$everyone/Deployment.ini"
check "/ALLUSERS makes the shortcut for all users" test -f "$everyone_shortcut"
check "/ALLUSERS registers the uninstaller for the machine" bash -c "wine reg query '$machine_key' /v QuietUninstallString 2>/dev/null | grep -q '/S /ALLUSERS'"
check "/ALLUSERS leaves the user's own programs folder alone" test ! -e "$installed"
was_installed=no
[ -f "$everyone/Uninstall.exe" ] && was_installed=yes
bounded 180 wine "$everyone/Uninstall.exe" /S /ALLUSERS
bounded 120 wineserver -w
check "the all-users uninstall removes Program Files\Quillbay" gone "$everyone"
check "the all-users uninstall removes the shortcut" gone "$everyone_shortcut"
check "the all-users uninstall removes the machine's Uninstall entry" bash -c "[ $was_installed = yes ] && ! wine reg query '$machine_key' >/dev/null 2>&1"
finish
