#!/usr/bin/env bash
# Checks the 32-bit Windows package without running it: the four plug-ins export their entry
# points by their plain names (no __stdcall @n), the three programs are console programs, and
# nothing in it needs a DLL other than Windows' own and the package's SDL.dll (no MinGW runtime
# DLL such as libgcc_s_*, libstdc++* or libwinpthread*).
#   check-package.sh PACKAGE_DIR
set -euo pipefail
dir=$1
objdump=i686-w64-mingw32-objdump
# Lower case; what the programs, plug-ins and SDL.dll may import.
allowed=" advapi32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll winmm.dll sdl.dll "
faults=0
fault() {
  echo "windows package: $*" >&2
  faults=$((faults + 1))
}

for plugin in ifbmp ifgif ifjpeg ifpng; do
  exports=$("$objdump" -p "$dir/$plugin.spi" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p')
  for entry in GetPluginInfo IsSupported GetPictureInfo GetPicture GetPreview ConfigurationDlg; do
    grep -qx "$entry" <<<"$exports" || fault "$plugin.spi does not export $entry by its plain name"
  done
  decorated=$(grep '@' <<<"$exports" | tr '\n' ' ' || true)
  [[ -z "$decorated" ]] || fault "$plugin.spi exports decorated names: $decorated"
done

for program in picconv wordgen pmbpview; do
  headers=$("$objdump" -p "$dir/$program.exe")
  grep -q '^Subsystem.*(Windows CUI)' <<<"$headers" || fault "$program.exe is not a console program"
done

checked=0
for file in "$dir"/*.exe "$dir"/*.spi "$dir"/*.dll; do
  checked=$((checked + 1))
  while read -r dll; do
    [[ "$allowed" == *" ${dll,,} "* ]] || fault "$(basename "$file") needs $dll"
  done < <("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
done

if ((faults)); then
  echo "windows package: $faults faults in $dir" >&2
  exit 1
fi
echo "windows package: checked without running it: plain export names in the 4 plug-ins, 3 console programs, $checked files needing only Windows' DLLs and SDL.dll"
