#!/usr/bin/env bash
# Installs what is missing, builds the Windows programs and starts QuillbaySim.exe, the
# program on a simulated network, under Wine in a prefix of its own under build/windows/run,
# with the example of resources/example: the network (SimulatedNetwork.ini) and an
# administrator's drive (Deployment.ini) beside the program, and the user's drives
# (Quillbay.ini) where the program keeps them, fresh at every run. With a display (DISPLAY
# set) the window appears there and the command ends when the program does. Without one,
# the program runs under Xvfb for about half a minute while a share of the example network
# goes offline and comes back; then the message lines and the drive list are printed as the
# window shows them, a screenshot of the main window is saved, and the program is ended in
# order. Then the password tool runs.
set -eu
cd "$(dirname "$0")/.."
. scripts/setup.sh
ensure_packages "${HOST_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target QuillbaySim QuillbayProbe QuillbayHelp >/dev/null

run=$PWD/build/windows/run
rm -rf "$run/app"
mkdir -p "$run/app"
cp build/windows/QuillbaySim.exe build/windows/Languages.ini build/windows/QBYHelp.chm \
  resources/example/SimulatedNetwork.ini resources/example/Deployment.ini "$run/app/"
# The test program's prefix, when the tests have made one, saves the minute a new one takes.
if [ ! -f "$run/wineprefix/system.reg" ] && [ -f build/windows/wineprefix/system.reg ]; then
  cp -a build/windows/wineprefix "$run/wineprefix"
fi
prepare_wine "$run/wineprefix"
appdata=$(find "$WINEPREFIX/drive_c/users" -maxdepth 1 -mindepth 1 -type d ! -name Public | head -n 1)/AppData/Roaming
mkdir -p "$appdata"
cp resources/example/Quillbay.ini "$appdata/"

if [ -n "${DISPLAY:-}" ]; then
  echo "== QuillbaySim.exe on the example network"
  echo "   edit $run/app/SimulatedNetwork.ini while it runs; your drives: $appdata/Quillbay.ini"
  cd "$run/app" && exec wine QuillbaySim.exe
fi

cat >"$run/demo.sh" <<'DEMO'
#!/usr/bin/env bash
set -u
run=$1
probe() { wine "$run/../tests/QuillbayProbe.exe" "$@" 2>/dev/null | tr -d '\r'; }
net=$run/app/SimulatedNetwork.ini
until_true() {  # $1: seconds, $2..: command
  local end=$((SECONDS + $1))
  shift
  until "$@"; do [ $SECONDS -ge $end ] && return 1; sleep 1; done
}
connected() { [ "$(probe drives | grep -c '^3 | ')" -ge "$1" ]; }
has_message() { probe messages | grep -q -- "$1"; }
(cd "$run/app" && exec wine QuillbaySim.exe >/dev/null 2>&1) &
probe wait 40 >/dev/null || { echo "QuillbaySim.exe did not start"; exit 1; }
echo "-- QuillbaySim.exe starts and connects the drives of the example"
until_true 30 connected 5 || echo "   (not all five connected)"
echo "   $(probe status)"
# Drive T: starts Notepad once it has connected; closed again, so that it hides nothing.
until_true 15 probe closetitled "Untitled - Notepad" && echo "   T: started Notepad (closed again for the picture)"
sleep 3
echo "-- \\\\nas\\media goes offline and M: is dropped"
sed -i -e 's/^Online=1\r$/Online=0\r/' -e 's/^Vanish=.*$/Vanish=M\r/' "$net"
until_true 20 has_message "Unable to connect drive 'M:'" || echo "   (no error line for M:)"
probe drives | grep ' M: ' | sed 's/^/   /'
echo "   $(probe status)"
sleep 4
echo "-- and comes back"
sed -i -e 's/^Online=0\r$/Online=1\r/' "$net"
until_true 20 connected 5 || echo "   (M: did not come back)"
echo "   $(probe status)"
sleep 2
echo
echo "== Messages (image, text, time; newest first)"
probe messages
echo
echo "== Drive list (image, drive, name, configured location, current location, free)"
probe drives
echo
echo "== Status bar"
probe status
# Without a window manager nobody draws the frame: the picture is what the program draws.
geometry=$(probe shotrect)
import -window root -crop "$geometry" +repage "$run/main-window.png" 2>/dev/null && echo && echo "Screenshot: $run/main-window.png"
probe action AMFileExit
probe gone 30 >/dev/null && echo "QuillbaySim.exe ended in order." || { echo "QuillbaySim.exe did not end"; wineserver -k; }
DEMO
chmod +x "$run/demo.sh"
xvfb-run -a -s "-screen 0 1024x768x24" "$run/demo.sh" "$run"
wineserver -k 2>/dev/null || true

echo
echo "== The password tool for administrators"
cmake --preset host >/dev/null
cmake --build --preset host -j2 --target quillbay-password >/dev/null
passwords='secret\nP@ss "quoted" word\n'
printf "$passwords"
printf "$passwords" | build/host/quillbay-password
