#!/usr/bin/env bash
# Builds the installer and the portable zip from a Windows build into <build>/dist/:
#   QuillbaySetup-<version>.exe and Quillbay-<version>-portable.zip
# Usage: scripts/package.sh [build folder, default build/windows]
# The Windows build runs it as its last step; run it by hand after a build as well.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/windows}" && pwd)"
version=$(sed -nE 's/^project\(Quillbay VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")
dist="$build/dist"
stage="$dist/Quillbay"

command -v makensis >/dev/null || { echo "package.sh: makensis not found: install Debian's nsis (scripts/setup.sh does)" >&2; exit 1; }
for required in Languages.ini QBYHelp.chm QuillbayPassword.exe; do
  [ -f "$build/$required" ] || { echo "package.sh: $build/$required is missing; build the Windows preset first" >&2; exit 1; }
done

rm -rf "$dist"
mkdir -p "$stage"
files=(Languages.ini QBYHelp.chm QuillbayPassword.exe)
# The program itself is packed as soon as the build makes it.
[ -f "$build/Quillbay.exe" ] && files=(Quillbay.exe "${files[@]}")
for file in "${files[@]}"; do cp "$build/$file" "$stage/"; done
cp "$root/resources/Deployment.ini.example" "$stage/"

makensis -V2 -DVERSION="$version" -DFILES="$stage" -DOUTFILE="$dist/QuillbaySetup-$version.exe" \
  "$root/installer/Quillbay.nsi"
(cd "$dist" && cmake -E tar cf "Quillbay-$version-portable.zip" --format=zip Quillbay)
rm -rf "$stage"
echo "package.sh: $(ls "$dist" | tr '\n' ' ')"
