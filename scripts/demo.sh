#!/usr/bin/env bash
# The first command for a newcomer: installs what is missing, builds, converts the bundled
# sample pictures with the bundled plug-ins and writes an upright, enlarged PNG preview of
# every "PMBP" file. Exits non-zero when any step fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"

build="$root/build"
werror=OFF
[[ "${CI:-}" == "true" ]] && werror=ON
# The PNG plug-in's libpng with its SSE2 filters; without Debian's sources, the system's.
mapfile -t png < <(bash "$root/scripts/build-libpng.sh" --cmake-args)
cmake -S "$root" -B "$build" -DWARNINGS_AS_ERRORS=$werror "${png[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"

picconv="$build/bin/picconv"
pmbpview="$build/bin/pmbpview"
out="$root/out/demo"
# Paths in the command file are relative to where picconv runs: give it a fresh copy.
rm -rf "$out"
mkdir -p "$out/previews"
cp "$root"/samples/*.png "$root"/samples/*.jpg "$root"/samples/*.gif "$root"/samples/*.bmp \
   "$root/samples/commands.txt" "$out/"
cd "$out"

failed=0
status=0
"$picconv" commands.txt || status=$?
if ((status != 0)); then
    echo "demo: picconv ended with status $status" >&2
    failed=1
fi
rm -f -- '$$temp$$.bmp'

made=()
while IFS='|' read -r _plugin _picture output _rest; do
    [[ -n "${output:-}" ]] || continue
    if [[ ! -f "$output" ]]; then
        echo "demo: $output was not written" >&2
        failed=1
        continue
    fi
    preview="previews/${output%.pmbp}.png"
    if "$pmbpview" --upright --scale 2 "$output" "$preview"; then
        made+=("$output -> $preview")
    else
        failed=1
    fi
done < commands.txt

echo
echo "demo: converted pictures and their previews in $out:"
for line in "${made[@]}"; do
    echo "  $line"
done
if ((failed)); then
    echo "demo: some steps failed (see above)" >&2
    exit 1
fi
