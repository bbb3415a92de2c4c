# Shared by run.sh and test.sh: installs what is missing with apt-get.
ensure_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

HOST_PACKAGES=(cmake make g++ googletest libgtest-dev libgmock-dev libbenchmark-dev)
WINDOWS_PACKAGES=(mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth imagemagick fp-utils nsis)

# A Wine prefix of the build's own; the first start creates it, which takes a while.
prepare_wine() {
  export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1
  fi
  wineserver -w
}
