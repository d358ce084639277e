#!/usr/bin/env bash
# Times picconv beside ImageMagick and GraphicsMagick on four jobs, and beside its own floor (the
# same pictures to an 8x8 output: decode, temporary bitmap and SDL load, almost no pixel work):
#   (a) a 4000x3000 PNG converted whole, 1:1 (also its peak memory);
#   (b) 3200x2400 of it to 320x240, from the PNG and from a JPEG of it;
#   (c) 1000 32x32 cuts of a 2048x2048 sheet in one command file, against `gm batch`;
#   (d) 100 different 1024x768 JPEGs to 120x160 in one command file, against `gm batch`;
#   (e) the JPEGs of (d) with -j 2, against `gm batch`;
#   (f) 1000 different 320x240 PNGs to 60x80, -j 2 against -j 1 (and a run without -j);
#   (g) those 1000 lines with -j 2 --state after one picture's bytes changed, against (f)'s full
#       -j 2 run: exactly one output's modification time may change;
#   (h) the same with nothing changed: no output may be touched;
#   and the peak memory of (a) with -j 2, the sum of the processes' own peaks.
# The other tools do the comparable job: decode, crop and scale, a quarter turn, Floyd-Steinberg
# onto the same four colours, raw grey output. Runs are interleaved, so a busy machine slows all
# tools alike; the script prints medians, min-max and the ratios against the goals.
#
# Usage: run.sh [path/to/picconv]   (default: build/bin/picconv of this repository; the plug-ins
#        ifpng.spi and ifjpeg.spi are found by bare name beside it, as picconv finds them)
# Env:   PICCONV_BENCH_DIR       keep the generated pictures there instead of a removed temp folder
#        PICCONV_BENCH_RUNS      runs per measurement (default 9: picconv's runs and floors are a few
#                                tenths of a second, and their ratios swing with the machine)
#        PICCONV_BENCH_SLOW_RUNS runs of `gm batch` on (c), one to three minutes each (default 1)
# ImageMagick, GraphicsMagick and GNU time are benchmark-only dependencies: the script installs
# the Debian packages when they are missing (as root, or through sudo).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
picconv=${1:-$root/build/bin/picconv}
runs=${PICCONV_BENCH_RUNS:-9}
slow_runs=${PICCONV_BENCH_SLOW_RUNS:-1}
[[ -x "$picconv" ]] || { echo "no picconv at $picconv (build first or pass its path)" >&2; exit 2; }
picconv=$(cd "$(dirname "$picconv")" && pwd)/$(basename "$picconv")

missing=()
command -v convert >/dev/null || missing+=(imagemagick)
command -v gm >/dev/null || missing+=(graphicsmagick)
[[ -x /usr/bin/time ]] || missing+=(time)
if ((${#missing[@]} > 0)); then
  echo "installing ${missing[*]} (benchmark only) ..."
  sudo=()
  ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get install -y -q "${missing[@]}" >/dev/null
fi

if [[ -n "${PICCONV_BENCH_DIR:-}" ]]; then
  work=$PICCONV_BENCH_DIR
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
work=$(cd "$work" && pwd)
mkdir -p "$work/pictures" "$work/a" "$work/b" "$work/c" "$work/d" "$work/f" "$work/g"
pics=$work/pictures

if [[ ! -f "$pics/.complete" ]]; then
  echo "making the pictures in $pics ..."
  # Seeded plasma, enlarged so it has the smooth areas and edges of a photograph.
  convert -seed 7 -size 1000x750 plasma:fractal -resize 4000x3000! -depth 8 "$pics/big.png"
  convert "$pics/big.png" -quality 90 "$pics/big.jpg"
  convert -seed 11 -size 512x512 plasma:fractal -resize 2048x2048! -depth 8 "$pics/sheet.png"
  for ((k = 0; k < 100; ++k)); do
    convert -seed $((100 + k)) -size 256x192 plasma:fractal -resize 1024x768! -quality 90 \
      "$pics/photo$k.jpg"
  done
  convert xc:'rgb(0,0,0)' xc:'rgb(85,85,85)' xc:'rgb(0,170,170)' xc:'rgb(255,255,255)' +append \
    "$pics/palette.png"
  touch "$pics/.complete"
fi
# (f)-(h): 1000 different 320x240 PNGs, tiles of the big picture's plasma on seven shifted grids
# (144 each), and a negated copy of the one whose bytes (g) changes.
tile() { echo "$pics/tiles/o$(($1 / 144))_$(printf %03d $(($1 % 144))).png"; }
changed=500
if [[ ! -f "$pics/tiles/.complete" ]]; then
  echo "making the tiles in $pics/tiles ..."
  mkdir -p "$pics/tiles"
  for ((o = 0; o < 7; ++o)); do
    convert "$pics/big.png" -crop "3840x2880+$((o * 20))+$((o * 15))" +repage \
      -crop 320x240 +repage -depth 8 "$pics/tiles/o${o}_%03d.png"
  done
  cp "$(tile $changed)" "$pics/tiles/changed_a.png"
  convert "$pics/tiles/changed_a.png" -negate "$pics/tiles/changed_b.png"
  touch "$pics/tiles/.complete"
fi

# The same dithering job for both Magicks: a quarter turn, four colours, raw grey out.
# Command lines are run through eval: paths in them are quoted once here.
pc=$(printf %q "$picconv")
pq=$(printf %q "$pics")
im_tail="-rotate -90 -dither FloydSteinberg -remap $pq/palette.png -colorspace gray -depth 2"
gm_tail="-rotate -90 -dither -map $pq/palette.png -colorspace gray -depth 2"
gm_batch_tail="-rotate -90 -dither -map $pics/palette.png -colorspace gray -depth 2"

# Command files.
echo "ifpng.spi|$pics/big.png|a.pmbp|0,0,4000,3000|0,0,4000,3000" >"$work/a/whole.txt"
echo "ifpng.spi|$pics/big.png|a8.pmbp|0,0,4000,3000|0,0,8,8" >"$work/a/floor.txt"
echo "ifpng.spi|$pics/big.png|b.pmbp|0,0,3200,2400|0,0,320,240" >"$work/b/png.txt"
echo "ifpng.spi|$pics/big.png|b8.pmbp|0,0,3200,2400|0,0,8,8" >"$work/b/png_floor.txt"
echo "ifjpeg.spi|$pics/big.jpg|bj.pmbp|0,0,3200,2400|0,0,320,240" >"$work/b/jpeg.txt"
echo "ifjpeg.spi|$pics/big.jpg|bj8.pmbp|0,0,3200,2400|0,0,8,8" >"$work/b/jpeg_floor.txt"
: >"$work/c/cuts.txt"
: >"$work/c/floor.txt"
: >"$work/c/gm.txt"
for ((k = 0; k < 1000; ++k)); do
  x=$((k % 64 * 32))
  y=$((k / 64 * 32))
  echo "ifpng.spi|$pics/sheet.png|cut$k.pmbp|$x,$y,32,32|0,0,32,32" >>"$work/c/cuts.txt"
  echo "ifpng.spi|$pics/sheet.png|cut$k.pmbp|$x,$y,32,32|0,0,8,8" >>"$work/c/floor.txt"
  echo "convert $pics/sheet.png -crop 32x32+$x+$y $gm_batch_tail gray:cut$k.raw" >>"$work/c/gm.txt"
done
: >"$work/d/photos.txt"
: >"$work/d/floor.txt"
: >"$work/d/gm.txt"
for ((k = 0; k < 100; ++k)); do
  echo "ifjpeg.spi|$pics/photo$k.jpg|photo$k.pmbp|0,0,1024,768|0,0,120,160" >>"$work/d/photos.txt"
  echo "ifjpeg.spi|$pics/photo$k.jpg|photo$k.pmbp|0,0,1024,768|0,0,8,8" >>"$work/d/floor.txt"
  echo "convert $pics/photo$k.jpg -resize 120x160! $gm_batch_tail gray:photo$k.raw" >>"$work/d/gm.txt"
done
: >"$work/f/tiles.txt"
for ((k = 0; k < 1000; ++k)); do
  echo "ifpng.spi|$(tile $k)|t$k.pmbp|0,0,320,240|0,0,60,80" >>"$work/f/tiles.txt"
done
cp "$work/f/tiles.txt" "$work/g/tiles.txt"

# Each measurement: a name, its folder and its command line; times collect in $work/times/NAME.
mkdir -p "$work/times"
rm -f "$work/times/"*
names=()
declare -A dirs commands before after
add() {
  names+=("$1")
  dirs[$1]=$2
  commands[$1]=$3
}
add a_picconv a "$pc whole.txt"
add a_floor a "$pc floor.txt"
add a_im a "convert $pq/big.png $im_tail gray:a.raw"
add a_gm a "gm convert $pq/big.png $gm_tail gray:a.raw"
add b_png b "$pc png.txt"
add b_png_floor b "$pc png_floor.txt"
add b_png_im b "convert $pq/big.png -crop 3200x2400+0+0 -resize 320x240! $im_tail gray:b.raw"
add b_jpeg b "$pc jpeg.txt"
add b_jpeg_floor b "$pc jpeg_floor.txt"
add b_jpeg_im b "convert $pq/big.jpg -crop 3200x2400+0+0 -resize 320x240! $im_tail gray:b.raw"
add c_picconv c "$pc cuts.txt"
add c_floor c "$pc floor.txt"
add c_gm c "gm batch -echo off -feedback off gm.txt"
add d_picconv d "$pc photos.txt"
add d_floor d "$pc floor.txt"
add d_gm d "gm batch -echo off -feedback off gm.txt"
add e_picconv d "$pc -j 2 photos.txt"
add f_serial f "$pc tiles.txt"
add f_j1 f "$pc -j 1 tiles.txt"
add f_j2 f "$pc -j 2 tiles.txt"
add g_state g "$pc -j 2 --state state tiles.txt"
add h_state g "$pc -j 2 --state state tiles.txt"
# Untimed, around (g) and (h): the changing picture takes its other version before (g), and the
# outputs whose modification time moved are noted in $work/times/NAME.touched.
changing=$(printf %q "$(tile $changed)")
swap="cmp -s $pq/tiles/changed_a.png $changing && cp $pq/tiles/changed_b.png $changing ||
      cp $pq/tiles/changed_a.png $changing"
stamps() { find "$work/g" -maxdepth 1 -name '*.pmbp' -printf '%f %T@\n' | sort >"$work/g/$1"; }
touched() {
  stamps stamps.after
  comm -13 "$work/g/stamps.before" "$work/g/stamps.after" | cut -d' ' -f1 | paste -sd' ' - \
    >>"$work/times/$1.touched"
}
before[g_state]="$swap; stamps stamps.before"
after[g_state]="touched g_state"
before[h_state]="stamps stamps.before"
after[h_state]="touched h_state"

measure() {  # runs measurement $1 once and appends its wall time in seconds
  local start end
  [[ -z ${before[$1]:-} ]] || eval "${before[$1]}"
  start=$(date +%s%N)
  if ! (cd "$work/${dirs[$1]}" && eval "${commands[$1]}" >/dev/null 2>"$work/times/$1.err"); then
    echo "$1 failed: ${commands[$1]}" >&2
    cat "$work/times/$1.err" >&2
    exit 1
  fi
  end=$(date +%s%N)
  echo "$(((end - start) / 1000))e-6" >>"$work/times/$1"
  [[ -z ${after[$1]:-} ]] || eval "${after[$1]}"
}

# (g) and (h) start from a state that knows every line, with the changing picture's first version.
cmp -s "$pics/tiles/changed_a.png" "$(tile $changed)" ||
  cp "$pics/tiles/changed_a.png" "$(tile $changed)"
(cd "$work/g" && eval "${commands[g_state]}" >/dev/null 2>&1)

echo "timing $runs runs each ($slow_runs of gm batch on (c)) ..."
load_before=$(cut -d' ' -f1-3 /proc/loadavg)  # -j ratios need free cores: a busy machine skews them
for ((r = 0; r < runs; ++r)); do
  for name in "${names[@]}"; do
    [[ $name == c_gm ]] && ((r >= slow_runs)) && continue
    measure "$name"
  done
done

# Peak memory of (a), from GNU time.
peak_kb=$(cd "$work/a" && /usr/bin/time -f %M "$picconv" whole.txt 2>&1 >/dev/null | tail -n 1)
# With -j 2 the coordinator and its worker live at the same time, so the machine holds their sum;
# GNU time would give only the largest process of the tree. Each process's own peak (VmHWM) is
# read from /proc every few milliseconds while the run lasts and the peaks are added: never below
# the tree's true peak, a little above it (shared libraries count in each process). The worker
# peaks while it converts, long before it ends, so the samples see its peak.
tree_peaks() {  # runs picconv -j 2 on (a); prints the coordinator's peak, then each worker's (KiB)
  (cd "$work/a" && exec "$picconv" -j 2 whole.txt) >/dev/null 2>&1 &
  local top=$! pid key value list state
  local -a queue children order=()
  local -A peaks=()
  for (( ; ; )); do
    state=
    queue=("$top")
    while ((${#queue[@]} > 0)); do
      pid=${queue[0]}
      queue=("${queue[@]:1}")
      while read -r key value _; do
        [[ $key == State: && $pid == "$top" ]] && state=$value
        if [[ $key == VmHWM: ]] && ((value > ${peaks[$pid]:-0})); then
          [[ -n ${peaks[$pid]:-} ]] || order+=("$pid")
          peaks[$pid]=$value
        fi
      done < <(cat "/proc/$pid/status" 2>/dev/null || true)
      for list in /proc/"$pid"/task/*/children; do
        children=()
        read -r -a children 2>/dev/null <"$list" || true
        queue+=("${children[@]}")
      done
    done
    [[ -n $state && $state != Z ]] || break
    sleep 0.005
  done
  wait "$top" || true
  for pid in "${order[@]}"; do echo "${peaks[$pid]}"; done
}
mapfile -t jobs_peaks < <(tree_peaks)

stats() {  # median min max of measurement $1
  sort -g "$work/times/$1" | awk '{ v[NR] = $1 }
    END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          printf "%.6f %.6f %.6f\n", m, v[1], v[NR] }'
}
median() { stats "$1" | cut -d' ' -f1; }

echo
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "load average (1, 5, 15 min): $load_before before the timing," \
  "$(cut -d' ' -f1-3 /proc/loadavg) after"
printf '%-34s %9s   %s\n' "measurement" "median" "min - max (s)"
label() {
  case $1 in
    a_picconv) echo "(a) picconv 4000x3000 1:1" ;;
    a_floor) echo "(a) picconv floor, to 8x8" ;;
    a_im) echo "(a) ImageMagick" ;;
    a_gm) echo "(a) GraphicsMagick" ;;
    b_png) echo "(b) picconv PNG to 320x240" ;;
    b_png_floor) echo "(b) picconv PNG floor, to 8x8" ;;
    b_png_im) echo "(b) ImageMagick PNG" ;;
    b_jpeg) echo "(b) picconv JPEG to 320x240" ;;
    b_jpeg_floor) echo "(b) picconv JPEG floor, to 8x8" ;;
    b_jpeg_im) echo "(b) ImageMagick JPEG" ;;
    c_picconv) echo "(c) picconv 1000 cuts" ;;
    c_floor) echo "(c) picconv floor, cuts to 8x8" ;;
    c_gm) echo "(c) gm batch" ;;
    d_picconv) echo "(d) picconv 100 JPEGs" ;;
    d_floor) echo "(d) picconv floor, to 8x8" ;;
    d_gm) echo "(d) gm batch" ;;
    e_picconv) echo "(e) picconv -j 2, the JPEGs of (d)" ;;
    f_serial) echo "(f) picconv 1000 PNGs, without -j" ;;
    f_j1) echo "(f) picconv 1000 PNGs, -j 1" ;;
    f_j2) echo "(f) picconv 1000 PNGs, -j 2" ;;
    g_state) echo "(g) -j 2 --state, one changed" ;;
    h_state) echo "(h) -j 2 --state, none changed" ;;
  esac
}
for name in "${names[@]}"; do
  read -r m lo hi < <(stats "$name")
  printf '%-34s %8.3fs   %.3f - %.3f\n' "$(label "$name")" "$m" "$lo" "$hi"
done

echo
printf '%-34s %9s   %s\n' "ratio" "measured" "goal"
ratio() {  # label numerator denominator goal
  awk -v l="$1" -v n="$(median "$2")" -v d="$(median "$3")" -v g="$4" \
    'BEGIN { printf "%-34s %9.3f   %s\n", l, n / d, g }'
}
ratio "(a) picconv / ImageMagick" a_picconv a_im "<= 0.30"
ratio "(a) picconv / GraphicsMagick" a_picconv a_gm ""
ratio "(a) picconv / its 8x8 floor" a_picconv a_floor "<= 1.5"
ratio "(b) PNG: picconv / its 8x8 floor" b_png b_png_floor "<= 1.1"
ratio "(b) PNG: picconv / ImageMagick" b_png b_png_im ""
ratio "(b) JPEG: picconv / its 8x8 floor" b_jpeg b_jpeg_floor "<= 1.1"
ratio "(b) JPEG: picconv / ImageMagick" b_jpeg b_jpeg_im ""
ratio "(c) picconv / gm batch" c_picconv c_gm "<= 0.01"
ratio "(c) picconv / its 8x8 floor" c_picconv c_floor ""
ratio "(d) picconv / gm batch" d_picconv d_gm "<= 0.6"
ratio "(d) picconv / its 8x8 floor" d_picconv d_floor ""
awk -v k="$peak_kb" 'BEGIN { printf "%-34s %7.1f MiB   <= 73.2 MiB (1.2 x 61)\n",
                                    "(a) picconv peak memory", k / 1024 }'
jobs_kb=0
for kb in "${jobs_peaks[@]}"; do jobs_kb=$((jobs_kb + kb)); done
awk -v t="$jobs_kb" -v c="${jobs_peaks[0]:-0}" -v n="$((${#jobs_peaks[@]} - 1))" -v s="$peak_kb" \
  'BEGIN { printf "%-34s %7.1f MiB   coordinator %.1f + %d worker(s) %.1f MiB\n",
                  "(a) -j 2 peak memory, summed", t / 1024, c / 1024, n, (t - c) / 1024
           printf "%-34s %9.3f   <= 2\n", "(a) -j 2 / serial peak memory", t / s }'
ratio "(e) picconv -j 2 / gm batch" e_picconv d_gm "<= 0.33"
ratio "(e) picconv -j 2 / without -j" e_picconv d_picconv ""
ratio "(f) -j 2 / -j 1" f_j2 f_j1 "<= 0.60"
ratio "(f) -j 1 / without -j" f_j1 f_serial ""
ratio "(g) one changed / full -j 2 run" g_state f_j2 "<= 0.03"
ratio "(h) none changed / full -j 2 run" h_state f_j2 "<= 0.02"
touches() {  # label measurement goal: the outputs each run of it touched
  awk -v l="$1" -v g="$3" '{ n[NR] = NF; if (NF > 0) names[$0] = 1 }
    END { lo = hi = n[1]
          for (i = 2; i <= NR; i++) { lo = n[i] < lo ? n[i] : lo; hi = n[i] > hi ? n[i] : hi }
          s = ""; for (k in names) s = s " " k
          printf "%-34s %9s   %s%s\n", l, lo == hi ? lo : lo "-" hi, g,
                 s != "" ? "; touched:" s : "" }' "$work/times/$2.touched"
}
touches "(g) outputs rewritten, each run" g_state "exactly 1 (t$changed.pmbp)"
touches "(h) outputs touched, each run" h_state "0"

# (i) A CMake project that converts 200 pictures with picconv_add_pictures and copies each
# output in a step of its own (standing in for a step that embeds it), built with Ninja and with
# Makefiles: how many copies run after one picture's bytes change (goal 1) and after one is
# touched (goal 0), and each build's time. The package is installed from picconv's build folder
# (PICCONV_BENCH_BUILD names another) into a scratch prefix.
consumer_case() {
  local build=${PICCONV_BENCH_BUILD:-$(dirname "$(dirname "$picconv")")}
  local dir=$work/i generator src bin k
  echo
  echo "(i) a CMake project: 200 pictures, a copy of each output"
  if [[ ! -f $build/cmake_install.cmake ]]; then
    echo "(i) skipped: $build is not a CMake build folder (set PICCONV_BENCH_BUILD)"
    return
  fi
  rm -rf "$dir"
  mkdir -p "$dir/src"
  if ! cmake --install "$build" --prefix "$dir/prefix" >"$dir/install.log" 2>&1; then
    echo "(i) skipped: $build does not install (build it whole first): see $dir/install.log"
    return
  fi
  # 200 different 64x48 pictures: tiles of the big one, as 24-bit bitmaps.
  convert "$pics/big.png" -resize 640x960! -crop 64x48 +repage -type TrueColor \
    "BMP3:$dir/src/p%03d.bmp"
  : >"$dir/src/pictures.txt"
  for ((k = 0; k < 200; ++k)); do
    printf 'ifbmp.spi|p%03d.bmp|p%03d.pmbp|0,0,64,48|0,0,64,48\n' $k $k >>"$dir/src/pictures.txt"
  done
  cat >"$dir/src/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(consumer NONE)
find_package(picconv REQUIRED)
picconv_add_pictures(pictures COMMAND_FILE pictures.txt)
set(copies "")
foreach(k RANGE 199)
  string(LENGTH "00${k}" length)
  math(EXPR from "${length} - 3")
  string(SUBSTRING "00${k}" ${from} 3 name)
  add_custom_command(OUTPUT copies/p${name}.pmbp
    COMMAND "${CMAKE_COMMAND}" -E copy p${name}.pmbp copies/p${name}.pmbp
    DEPENDS "${CMAKE_CURRENT_BINARY_DIR}/p${name}.pmbp"
    COMMENT "downstream: copying p${name}.pmbp" VERBATIM)
  list(APPEND copies copies/p${name}.pmbp)
endforeach()
file(MAKE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/copies")
add_custom_target(copies ALL DEPENDS ${copies})
CMAKE
  consumer_build() {  # label goal: one build of $bin, its copies, picconv runs and time
    local start end copies converted
    start=$(date +%s%N)
    cmake --build "$bin" -j "$(nproc)" >"$dir/build.log" 2>&1 || { cat "$dir/build.log"; exit 1; }
    end=$(date +%s%N)
    copies=$(grep -c "downstream: copying" "$dir/build.log" || true)
    converted=$(grep -c "picconv: converting" "$dir/build.log" || true)
    printf '%-16s %-24s %7s %8s %8.3fs   %s\n' "$generator" "$1" "$copies" "$converted" \
      "$(awk -v n=$((end - start)) 'BEGIN { print n / 1e9 }')" "$2"
  }
  printf '%-16s %-24s %7s %8s %9s   %s\n' generator build copies picconv time "goal (copies)"
  for generator in Ninja "Unix Makefiles"; do
    if [[ $generator == Ninja ]] && ! command -v ninja >/dev/null; then
      echo "Ninja            skipped: no ninja"
      continue
    fi
    src=$dir/${generator// /}/src
    bin=$dir/${generator// /}/build
    mkdir -p "$src"
    cp "$dir/src/"* "$src/"
    cmake -S "$src" -B "$bin" -G "$generator" -DCMAKE_PREFIX_PATH="$dir/prefix" \
      >"$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
    consumer_build "first" 200
    consumer_build "nothing changed" 0
    sleep 1  # a newer modification time on file systems that keep whole seconds
    convert "$src/p000.bmp" -negate -type TrueColor "BMP3:$src/p000.bmp"
    consumer_build "one picture changed" 1
    sleep 1
    touch "$src/p001.bmp"
    consumer_build "one picture touched" 0
  done
}
consumer_case
