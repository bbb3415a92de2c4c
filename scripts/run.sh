#!/usr/bin/env bash
# Installs what is missing, builds the Windows programs and starts QuillbaySim.exe, the
# program on a simulated network (resources/SimulatedNetwork.ini), under Wine in a prefix of
# its own under build/windows/run. With a display (DISPLAY set) the window appears there and
# the command ends when the program does. Without one, the program runs under Xvfb for about
# half a minute while a share of the example network goes offline and comes back; then the
# message lines and the drive list are printed as the window shows them, a screenshot of the
# main window is saved, and the program is ended in order. Then the password tool runs.
set -eu
cd "$(dirname "$0")/.."
. scripts/setup.sh
ensure_packages "${HOST_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target QuillbaySim QuillbayProbe QuillbayHelp >/dev/null

run=$PWD/build/windows/run
mkdir -p "$run/app"
cp build/windows/QuillbaySim.exe build/windows/Languages.ini build/windows/QBYHelp.chm resources/SimulatedNetwork.ini "$run/app/"
# The test program's prefix, when the tests have made one, saves the minute a new one takes.
if [ ! -f "$run/wineprefix/system.reg" ] && [ -f build/windows/wineprefix/system.reg ]; then
  cp -a build/windows/wineprefix "$run/wineprefix"
fi
prepare_wine "$run/wineprefix"

if [ -n "${DISPLAY:-}" ]; then
  echo "== QuillbaySim.exe on the example network (edit $run/app/SimulatedNetwork.ini while it runs)"
  cd "$run/app" && exec wine QuillbaySim.exe
fi

cat >"$run/demo.sh" <<'DEMO'
#!/usr/bin/env bash
set -u
run=$1
probe() { wine "$run/../tests/QuillbayProbe.exe" "$@" 2>/dev/null | tr -d '\r'; }
net=$run/app/SimulatedNetwork.ini
(cd "$run/app" && exec wine QuillbaySim.exe >/dev/null 2>&1) &
# A first run offers the mapping made outside (K:) and welcomes the user.
probe box 40 Yes >/dev/null
probe wait 40 >/dev/null || { echo "QuillbaySim.exe did not start"; exit 1; }
probe box 10 >/dev/null
probe action AMFileMinimizeRestore >/dev/null  # on screen also when it started hidden
sleep 1
[ "$(probe visible)" = 1 ] || probe action AMFileMinimizeRestore >/dev/null
sleep 6
echo "-- \\\\nas\\old goes offline"
sed -i '/^\[Share \\\\nas\\old\]/a Online=0' "$net"
sleep 2
probe action AMDrivesConnectDrives
sleep 6
echo "-- and comes back"
sed -i '/^Online=0/d' "$net"
sleep 2
probe action AMDrivesConnectDrives
sleep 6
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
