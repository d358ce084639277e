#!/usr/bin/env bash
# Builds libpng for the PNG plug-in from Debian's own source of it, with libpng's SSE2 row
# filters, which Debian's build leaves out: undoing the Paeth filter alone takes about a fifth
# of a large PNG's whole conversion without them. Static and position-independent, so that it
# goes into ifpng.spi; the pixels are the same either way.
#   build-libpng.sh               prints the prefix to hand CMake as PICCONV_LIBPNG_DIR
#   build-libpng.sh --cmake-args  prints that CMake option, or nothing (and why, on standard
#                                 error) when the build takes the system's libpng; exits 0
# The prefix, in $LINUX_CACHE (default .cache/linux), is built once and reused; a failure (no
# access to Debian's sources, say) exits non-zero, and the build then takes the system's libpng.
set -euo pipefail
if [[ "${1:-}" == "--cmake-args" ]]; then
  if prefix=$(bash "$0"); then
    echo "-DPICCONV_LIBPNG_DIR=$prefix"
  else
    echo "libpng: building ifpng.spi with the system's libpng" >&2
  fi
  exit 0
fi
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${LINUX_CACHE:-$root/.cache/linux}
prefix=$cache/libpng
stamp=$prefix/.complete
# The prefix is rebuilt whenever this recipe changes.
recipe=$(sha256sum "$0" | cut -d' ' -f1)
# Says so when the system's libpng has fixes the one built lacks (Debian's security suite may not
# be served as source): deleting the cache rebuilds it from the newest source served.
compare_with_system() {
  local built installed
  built=$(cat "$prefix/.version" 2>/dev/null || true)
  installed=$(dpkg-query -W -f='${Version}' "libpng16-16:$(dpkg --print-architecture)" 2>/dev/null ||
    true)
  if [[ -n $built && -n $installed ]] && dpkg --compare-versions "$built" lt "$installed"; then
    echo "libpng: warning: ifpng.spi's libpng is Debian's $built, the system's is newer" \
      "($installed); delete $cache to rebuild once its source can be fetched, or configure" \
      "without PICCONV_LIBPNG_DIR" >&2
  fi
}
if [[ -f "$stamp" && "$(cat "$stamp")" == "$recipe" ]]; then
  compare_with_system
  echo "$prefix"
  exit 0
fi
rm -rf "$prefix" "$cache/build-libpng"
bash "$root/scripts/debian-source.sh" "$cache/src" libpng1.6 >&2
source=$(find "$cache/src" -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)
echo "building libpng with its SSE2 filters into $prefix" >&2
log=$cache/build-libpng.log
if ! { cmake -S "$source" -B "$cache/build-libpng" -DCMAKE_BUILD_TYPE=Release \
         -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
         -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
         -DPNG_HARDWARE_OPTIMIZATIONS=ON -DPNG_INTEL_SSE=on &&
       cmake --build "$cache/build-libpng" -j "$(nproc)" --target install; } >"$log" 2>&1; then
  echo "libpng: the build failed (see $log)" >&2
  exit 1
fi
dpkg-parsechangelog -l "$source/debian/changelog" -S Version >"$prefix/.version" 2>/dev/null || true
echo "libpng: built from Debian's libpng1.6 $(cat "$prefix/.version")" >&2
echo "$recipe" >"$stamp"
compare_with_system
echo "$prefix"
