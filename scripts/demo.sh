#!/usr/bin/env bash
# The first command for a newcomer: installs what is missing, builds what the demo runs, converts
# the bundled sample pictures with the bundled plug-ins, writes an upright, enlarged PNG preview of
# every "PMBP" file and a proof sheet of the whole command file. Exits non-zero when any step
# fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"

# Only the programs and plug-ins the demo runs, in a folder of its own: no tests, no benchmarks.
build="$root/build-demo"
werror=OFF
[[ "${CI:-}" == "true" ]] && werror=ON
mkdir -p "$build"
log="$build/build.log"
echo "demo: building picconv, pmbpview and the four plug-ins in $build ..."
start=$SECONDS
if ! { cmake -S "$root" -B "$build" -DWARNINGS_AS_ERRORS=$werror -DBUILD_TESTING=OFF \
         -DBUILD_BENCHMARKS=OFF &&
       cmake --build "$build" -j "$(nproc)" --target picconv pmbpview ifbmp ifpng ifjpeg ifgif
     } >"$log" 2>&1; then
    # The log without CMake's status and progress lines: what went wrong.
    grep -v -e '^\[ *[0-9]*%\]' -e '^-- ' "$log" >&2 || true
    echo "demo: the build failed (the whole log: $log)" >&2
    exit 1
fi
echo "demo: built in $((SECONDS - start)) s"

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
# The proof sheet shows every line's rectangle and result on one page.
"$picconv" --proof proof commands.txt || status=$?
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
if [[ -f proof/index.html ]]; then
    echo
    echo "demo: the proof sheet of every line: $out/proof/index.html"
else
    echo "demo: no proof sheet was written" >&2
    failed=1
fi
if ((failed)); then
    echo "demo: some steps failed (see above)" >&2
    exit 1
fi
