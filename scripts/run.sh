#!/usr/bin/env bash
# Installs what is missing, builds, and runs what exists of the program: the connection
# engine on the simulated machine, then the password tool (the main window comes later).
set -eu
cd "$(dirname "$0")/.."
. scripts/setup.sh
ensure_packages "${HOST_PACKAGES[@]}"
cmake --preset host >/dev/null
cmake --build --preset host -j2 --target quillbay-demo quillbay-password >/dev/null
echo "== Quillbay's connection engine on a simulated machine (English texts) =="
build/host/quillbay-demo resources/Languages.ini
echo
echo "== The password tool for administrators =="
printf 'secret\nP@ss "quoted" word\n' | tee /dev/stderr | build/host/quillbay-password
