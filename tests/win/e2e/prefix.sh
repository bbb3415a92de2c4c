# Sourced by the scripts beside it. Makes $WINEPREFIX, unless it exists, as a copy of the
# test program's prefix in build folder $1 (that saves the minute a new one takes), and sets
# appdata to the roaming profile folder of its user, made if missing.
prepare_prefix() {
  if [ ! -d "$WINEPREFIX" ]; then
    if [ -f "$1/wineprefix/system.reg" ]; then cp -a "$1/wineprefix" "$WINEPREFIX"; else wineboot -i >/dev/null 2>&1; fi
  fi
  appdata=$(find "$WINEPREFIX/drive_c/users" -maxdepth 1 -mindepth 1 -type d ! -name Public | head -n 1)/AppData/Roaming
  mkdir -p "$appdata"
}
