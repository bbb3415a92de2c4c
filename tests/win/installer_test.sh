#!/usr/bin/env bash
# The installer as an administrator rolls it out: silent install into a fresh Wine prefix,
# the installed files, shortcut, Uninstall entry and autostart value, the installed programs
# started, an upgrade of a running Quillbay that closes it without its exit actions and
# starts it again, the uninstall command lines run as deployment tools run them (waiting
# for their exit code), and a silent uninstall that removes the files and the autostart
# value but keeps the user's Quillbay.ini unless /REMOVESETTINGS is given. Exit codes:
# a locked file, a folder that cannot be written or used, another program's folder; and
# nothing of anyone else touched: another program's window, a portable copy and its
# autostart value, a Deployment.ini merely lying beside the installer.
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
# Runs a command line as cmd.exe does for a deployment tool, exactly as written (an
# uninstall string's unquoted _?= included), and waits for it. Sets `code` to its exit
# code, which Wine's own exit status would cut to eight bits.
code=
run_line() {  # seconds, command line
  printf '@%s\r\n@echo exit=%%errorlevel%%\r\n' "$2" > "$WINEPREFIX/drive_c/run.bat"
  # Into a file: a program the command starts keeps a pipe open after the command ends.
  bounded "$1" wine cmd /c 'C:\run.bat' >"$WINEPREFIX/run.out" 2>/dev/null
  code=$(tr -d '\r' <"$WINEPREFIX/run.out" | sed -n 's/^exit=//p')
  # Seen once in four full runs: cmd's report of the exit code was missing. Only that case
  # runs again, so a lost report does not fail a check whose command did what it should.
  if [ -z "$code" ]; then
    echo "note: cmd reported no exit code for: $2; running it once more"
    bounded "$1" wine cmd /c 'C:\run.bat' >"$WINEPREFIX/run.out" 2>/dev/null
    code=$(tr -d '\r' <"$WINEPREFIX/run.out" | sed -n 's/^exit=//p')
  fi
}

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
probe="$build/tests/QuillbayProbe.exe"
stand_in="$build/tests/InstallerStandIn.exe"
has_quillbay=false
cmake -E tar tf "$(ls "$build"/dist/Quillbay-*-portable.zip | head -n 1)" 2>/dev/null | grep -q '^Quillbay/Quillbay.exe$' && has_quillbay=true

zip=$(ls "$build"/dist/Quillbay-*-portable.zip 2>/dev/null | head -n 1)
zipped=$(cmake -E tar tf "$zip" 2>/dev/null)
for file in Languages.ini QBYHelp.chm QuillbayPassword.exe Deployment.ini.example; do
  check "the portable zip holds $file" grep -qx "Quillbay/$file" <<<"$zipped"
done
$has_quillbay && check "the portable zip holds Quillbay.exe" grep -qx "Quillbay/Quillbay.exe" <<<"$zipped"

# Nothing claims an install that did not happen: a folder that cannot be written.
share="$WINEPREFIX/drive_c/share"
mkdir -p "$share"
cp "$setup" "$share/QuillbaySetup.exe"
run_line 180 'C:\share\QuillbaySetup.exe /S /D=Z:\proc\Quillbay'
check "a folder that cannot be written fails the install (exit code $code)" test "$code" = 1603
check "... and leaves no Uninstall entry" bash -c "! wine reg query '$uninstall_key' >/dev/null 2>&1"
check "... and no shortcut" test ! -e "$shortcut"
check "... and says why in the log" grep -q 'Z:.proc.Quillbay could not be made' "$user_folder/Temp/QuillbaySetup.log"

# A /D that cannot be used is refused, never replaced by the default folder.
for bad in 'Q:\Quillbay' 'Programs\Quillbay' 'C:\share\QuillbaySetup.exe\Quillbay' 'C:\Quill:bay' 'C:\Quill*bay'; do
  run_line 180 "C:\\share\\QuillbaySetup.exe /S /D=$bad"
  check "/D=$bad is refused (exit code $code)" test "$code" = 267
done
check "... and nothing is installed into the default folder instead" test ! -e "$installed"

# Another program's folder is refused and left as it was.
tools="$WINEPREFIX/drive_c/Tools"
mkdir -p "$tools"
for file in Uninstall.exe Languages.ini Deployment.ini; do echo "another program's $file" > "$tools/$file"; done
run_line 180 'C:\share\QuillbaySetup.exe /S /D=C:\Tools'
check "a folder with another program's files is refused (exit code $code)" test "$code" = 183
check "... and its files stay as they were" grep -q "another program's" "$tools/Uninstall.exe" "$tools/Languages.ini"
check "... and no Uninstall entry is made" bash -c "! wine reg query '$uninstall_key' >/dev/null 2>&1"

# An administrator's share: a Deployment.ini beside the installer is taken only when named.
printf '[NetworkDrive_P:]\r\nNetworkLocation=\\\\fileserver\\projects\r\n' > "$share/Deployment.ini"
run_line 180 'C:\share\QuillbaySetup.exe /S'
check "silent install ends with exit code 0 (was $code)" test "$code" = 0
for file in Languages.ini QBYHelp.chm QuillbayPassword.exe Deployment.ini.example Uninstall.exe; do
  check "silent install puts $file into the user's programs folder" test -f "$installed/$file"
done
$has_quillbay && check "silent install puts Quillbay.exe there" test -f "$installed/Quillbay.exe"
check "a Deployment.ini beside the installer is ignored without /DEPLOYMENT" test ! -e "$installed/Deployment.ini"
check "the help file installed is the one built" cmp "$build/QBYHelp.chm" "$installed/QBYHelp.chm"
check "a Start-menu shortcut is made" test -f "$shortcut"
check "the Uninstall entry is under the current user" has_value "$uninstall_key" UninstallString
check "the Uninstall entry names the installed uninstaller" bash -c "wine reg query '$uninstall_key' /v QuietUninstallString 2>/dev/null | grep -q 'Uninstall.exe\" /S'"
check "nothing is written for all users without /ALLUSERS" bash -c "! wine reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillbay' >/dev/null 2>&1"
$has_quillbay && check "Quillbay starts at the user's next logon" bash -c "wine reg query '$run_key' /v Quillbay 2>/dev/null | grep -qi 'Programs.Quillbay.Quillbay.exe'"

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
running_again() {  # the installed program's window appears within 30 seconds
  local waited=0
  until bounded 20 wine "$probe" running >/dev/null 2>&1; do
    [ "$waited" -ge 30 ] && return 1
    sleep 1; waited=$((waited + 1))
  done
}
quiet_uninstall() { winreg query "$1" /v QuietUninstallString | sed -n 's/^ *QuietUninstallString *REG_SZ *//p'; }

# An upgrade of a running Quillbay whose preferences dismount TrueCrypt volumes on exit
# (with /f a volume with open files loses what was not written), while another program
# with a window of the class the program once had runs beside it.
truecrypt="$WINEPREFIX/drive_c/TrueCrypt"
mkdir -p "$truecrypt"
cp "$build/tests/RecordCommandLine.exe" "$truecrypt/TrueCrypt.exe"
printf '[Preferences]\r\nFirstTimeUsage=0\r\nDismountVolumesOnExit=1\r\nTrueCryptProgramLocation=C:\\TrueCrypt\\TrueCrypt.exe\r\n' > "$settings"
rm -f "$WINEPREFIX/drive_c/foreign.txt"
wine "$stand_in" window TMainForm 'C:\foreign.txt' >/dev/null 2>&1 &
foreign_pid=$!
start_quillbay
check "the installed Quillbay.exe starts and keeps running" test -n "$quillbay_pid"
run_line 180 'C:\share\QuillbaySetup.exe /S /DEPLOYMENT=Deployment.ini'
check "installing over the running Quillbay ends with exit code 0 (was $code)" test "$code" = 0
check "installing again ends the running Quillbay" ended_within 30
stop_quillbay
check "... without its exit actions: TrueCrypt was not asked to dismount" test ! -e "$truecrypt/RecordCommandLine.record.txt"
$has_quillbay && check "... with its settings saved" grep -q MinimizeOnStartup "$settings"
$has_quillbay && check "... and it runs again afterwards" running_again
check "another program's TMainForm window received nothing" test ! -s "$WINEPREFIX/drive_c/foreign.txt"
check "... and still runs" kill -0 "$foreign_pid"
kill "$foreign_pid" 2>/dev/null
check "the Deployment.ini named with /DEPLOYMENT is copied beside the program" cmp "$share/Deployment.ini" "$installed/Deployment.ini"
check "installing again leaves a complete installation" test -f "$installed/QBYHelp.chm" -a -f "$installed/Uninstall.exe"

# A file held open: the install and the uninstall fail, and nothing claims otherwise.
quiet=$(quiet_uninstall "$uninstall_key")
wine "$stand_in" lock "$(winepath -w "$installed/QBYHelp.chm" 2>/dev/null)" >/dev/null 2>&1 &
locker_pid=$!
sleep 3
run_line 180 'C:\share\QuillbaySetup.exe /S'
check "installing over a locked file fails (exit code $code)" test "$code" = 1603
check "... and the log names the file" grep -q 'QBYHelp.chm could not be written' "$user_folder/Temp/QuillbaySetup.log"
run_line 180 "$quiet"
check "uninstalling with a locked file fails (exit code $code)" test "$code" = 1603
check "... and the Uninstall entry stays for another try" has_value "$uninstall_key" UninstallString
check "... and so does the uninstaller" test -f "$installed/Uninstall.exe"
kill "$locker_pid" 2>/dev/null
bounded 60 wineserver -w
bounded 180 wine 'C:\share\QuillbaySetup.exe' /S  # whole again
bounded 120 wineserver -w

# What Quillbay leaves behind while it is used: its settings and its autostart value.
printf '[Preferences]\r\nFirstTimeUsage=0\r\n' > "$settings"
winreg add "$run_key" /v Quillbay /t REG_SZ /d "\"$(winepath -w "$installed/Quillbay.exe" 2>/dev/null)\"" /f >/dev/null
check "the autostart value is there before the uninstall" has_value "$run_key" Quillbay

was_installed=no
[ -f "$installed/Uninstall.exe" ] && [ -f "$shortcut" ] && was_installed=yes
start_quillbay
# The registered command line, run as a deployment tool runs it: it waits for the result.
run_line 180 "$(quiet_uninstall "$uninstall_key")"
check "the uninstall string ends with exit code 0 (was $code)" test "$code" = 0
check "the uninstaller ends the running Quillbay" ended_within 30
check "the uninstall string returns only once the program's files are gone" \
  bash -c "[ $was_installed = yes ] && [ ! -e '$installed/Quillbay.exe' ] && [ ! -e '$installed/QBYHelp.chm' ]"
# Asked to exit rather than stopped, it writes its settings out as it ends.
$has_quillbay && check "the ended Quillbay saved its settings first" grep -q MinimizeOnStartup "$settings"
stop_quillbay
bounded 120 wineserver -w  # the uninstaller's own file goes once it has ended
check "silent uninstall removes the program folder" gone "$installed"
check "silent uninstall removes the shortcut" gone "$shortcut"
check "silent uninstall removes the Uninstall entry" bash -c "[ $was_installed = yes ] && ! wine reg query '$uninstall_key' >/dev/null 2>&1"
check "silent uninstall removes the autostart value" bash -c "[ $was_installed = yes ] && ! wine reg query '$run_key' /v Quillbay 2>/dev/null | grep -q Quillbay"
check "silent uninstall keeps the user's Quillbay.ini" test -f "$settings"

# Asked to, the uninstaller removes the settings as well; a portable copy's autostart
# value is not the install's to remove.
portable="$WINEPREFIX/drive_c/portable"
mkdir -p "$portable"
$has_quillbay && cp "$build/Quillbay.exe" "$build/Languages.ini" "$portable/"
bounded 180 wine 'C:\share\QuillbaySetup.exe' /S
bounded 120 wineserver -w
winreg add "$run_key" /v Quillbay /t REG_SZ /d '"C:\portable\Quillbay.exe"' /f >/dev/null
was_installed=no
[ -f "$installed/Uninstall.exe" ] && [ -f "$settings" ] && was_installed=yes
bounded 180 wine "$installed/Uninstall.exe" /S /REMOVESETTINGS
bounded 120 wineserver -w
check "uninstall with /REMOVESETTINGS removes Quillbay.ini" gone "$settings"
check "uninstall with /REMOVESETTINGS removes the program folder too" gone "$installed"
check "a portable copy's autostart value survives the uninstall" bash -c "wine reg query '$run_key' /v Quillbay 2>/dev/null | grep -q 'portable'"
winreg delete "$run_key" /v Quillbay /f >/dev/null

# For all users: Program Files, the all-users Start menu and the machine's Uninstall key.
# (Wine's user counts as an administrator, so the request for rights is not seen here.)
everyone="$WINEPREFIX/drive_c/Program Files/Quillbay"
everyone_shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillbay.lnk"
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillbay'
active_setup_key='HKLM\Software\Microsoft\Active Setup\Installed Components\Quillbay'
bounded 180 wine 'C:\share\QuillbaySetup.exe' /S /ALLUSERS /DEPLOYMENT=C:\\share\\Deployment.ini
bounded 120 wineserver -w
check "/ALLUSERS installs into Program Files" test -f "$everyone/QBYHelp.chm" -a -f "$everyone/Deployment.ini"
check "/ALLUSERS makes the shortcut for all users" test -f "$everyone_shortcut"
check "/ALLUSERS registers the uninstaller for the machine" bash -c "wine reg query '$machine_key' /v QuietUninstallString 2>/dev/null | grep -q '/S _?=C:.Program Files.Quillbay'"
check "/ALLUSERS leaves the user's own programs folder alone" test ! -e "$installed"
was_installed=no
[ -f "$everyone/Uninstall.exe" ] && was_installed=yes
# Without /ALLUSERS: the uninstaller knows its scope from the install.
run_line 180 '"C:\Program Files\Quillbay\Uninstall.exe" /S _?=C:\Program Files\Quillbay'
bounded 120 wineserver -w
check "the all-users uninstall removes Program Files\Quillbay" gone "$everyone"
check "the all-users uninstall removes the shortcut" gone "$everyone_shortcut"
check "the all-users uninstall removes the machine's Uninstall entry" bash -c "[ $was_installed = yes ] && ! wine reg query '$machine_key' >/dev/null 2>&1"

# /ALLUSERS into the administrator's folder, while a portable copy runs elsewhere; every
# user's own copy then starts at logon through Active Setup.
shared="$WINEPREFIX/drive_c/Shared Programs/Quillbay"
portable_pid=
if $has_quillbay; then
  wine "$portable/Quillbay.exe" >/dev/null 2>&1 &
  portable_pid=$!
  sleep 5
fi
run_line 180 'C:\share\QuillbaySetup.exe /S /ALLUSERS /D=C:\Shared Programs\Quillbay'
check "/ALLUSERS /D= installs into that folder (exit code $code)" test "$code" = 0 -a -f "$shared/QBYHelp.chm"
check "... and registers it for the machine" bash -c "wine reg query '$machine_key' /v InstallLocation 2>/dev/null | grep -q 'C:.Shared Programs.Quillbay'"
check "... and not Program Files" test ! -e "$everyone"
$has_quillbay && check "a portable copy running elsewhere is left running" kill -0 "$portable_pid"
[ -n "$portable_pid" ] && kill "$portable_pid" 2>/dev/null
if $has_quillbay; then
  run_line 60 "$(winreg query "$active_setup_key" /v StubPath | sed -n 's/^ *StubPath *REG_SZ *//p')"
  check "at a user's first logon Active Setup gives that user an autostart value" \
    bash -c "wine reg query '$run_key' /v Quillbay 2>/dev/null | grep -q 'Shared Programs.Quillbay.Quillbay.exe'"
fi
was_installed=no
[ -f "$shared/Uninstall.exe" ] && was_installed=yes
run_line 180 "$(quiet_uninstall "$machine_key")"
bounded 120 wineserver -w
check "its uninstall string removes that folder (exit code $code)" gone "$shared"
check "... the machine's Uninstall entry" bash -c "[ $was_installed = yes ] && ! wine reg query '$machine_key' >/dev/null 2>&1"
check "... the Active Setup entry" bash -c "[ $was_installed = yes ] && ! wine reg query '$active_setup_key' >/dev/null 2>&1"
$has_quillbay && check "... and the autostart value that points into it" bash -c "! wine reg query '$run_key' /v Quillbay 2>/dev/null | grep -q Quillbay"
finish
