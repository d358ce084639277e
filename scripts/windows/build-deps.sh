#!/usr/bin/env bash
# Fetches the Debian sources of the libraries the Windows build links and cross-builds them for
# one target into one prefix: zlib, libpng, libjpeg-turbo, giflib and GoogleTest as static
# libraries, SDL 1.2 as SDL.dll. A prefix that is already complete is reused.
#   build-deps.sh CACHE_DIR [ARCH]    (ARCH i686, the default, or x86_64; the prefix is
#                                      CACHE_DIR/prefix)
set -euo pipefail
cache=$(mkdir -p "$1" && cd "$1" && pwd)
arch=${2:-i686}
[[ "$arch" == i686 || "$arch" == x86_64 ]] || { echo "build-deps.sh: no target $arch" >&2; exit 2; }
prefix="$cache/prefix"
root=$(cd "$(dirname "$0")/../.." && pwd)
host=$arch-w64-mingw32
toolchain="$root/cmake/toolchain-w64-mingw32.cmake"
stamp="$prefix/.complete"
# The prefix is rebuilt whenever this recipe, the toolchain or the target changes.
recipe="$(cat "$0" "$toolchain" | sha256sum | cut -d' ' -f1) $host"
if [[ -f "$stamp" && "$(cat "$stamp")" == "$recipe" ]]; then
  echo "windows deps ($arch): reusing $prefix"
  exit 0
fi
started=$SECONDS
rm -rf "$prefix"

bash "$root/scripts/debian-source.sh" "$cache/src" zlib libpng1.6 libjpeg-turbo giflib libsdl1.2 \
  googletest
mkdir -p "$prefix"
src() { find "$cache/src" -maxdepth 1 -type d -name "$1-*" | head -1; }
jobs=$(nproc)
log="$cache/build.log"
: >"$log"
cmake_cross=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DWINDOWS_ARCH="$arch" -DWINDOWS_PREFIX="$prefix"
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix")

echo "windows deps ($arch): zlib"
# Debian's zlib source has no Windows makefile; the library is its C files.
(cd "$(src zlib)" && rm -f ./*.o libz.a
 for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
          inftrees trees uncompr zutil; do
   $host-gcc-posix -O2 -c "$f.c" -o "$f.o"
 done
 $host-ar rcs libz.a ./*.o
 mkdir -p "$prefix/lib" "$prefix/include"
 cp libz.a "$prefix/lib/" && cp zlib.h zconf.h "$prefix/include/") >>"$log" 2>&1

echo "windows deps ($arch): libpng"
rm -rf "$cache/build-png"
cmake -S "$(src libpng1.6)" -B "$cache/build-png" "${cmake_cross[@]}" -DPNG_SHARED=OFF \
  -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DZLIB_ROOT="$prefix" >>"$log" 2>&1
cmake --build "$cache/build-png" -j"$jobs" --target install >>"$log" 2>&1

echo "windows deps ($arch): libjpeg-turbo"
rm -rf "$cache/build-jpeg"
# No SIMD: nasm is not needed then, and the decode is the same.
cmake -S "$(src libjpeg-turbo)" -B "$cache/build-jpeg" "${cmake_cross[@]}" -DENABLE_SHARED=OFF \
  -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF >>"$log" 2>&1
cmake --build "$cache/build-jpeg" -j"$jobs" --target install >>"$log" 2>&1

echo "windows deps ($arch): giflib"
(cd "$(src giflib)" && rm -f ./*.o libgif.a
 for f in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray; do
   $host-gcc-posix -O2 -c "$f.c" -o "$f.o"
 done
 $host-ar rcs libgif.a dgif_lib.o egif_lib.o gifalloc.o gif_err.o gif_font.o gif_hash.o openbsd-reallocarray.o
 cp libgif.a "$prefix/lib/" && cp gif_lib.h "$prefix/include/") >>"$log" 2>&1

echo "windows deps ($arch): SDL 1.2"
# A console program's messages must reach the real standard streams, not stdout.txt. libtool
# drops -static-libgcc from LDFLAGS, so it rides with the compiler: SDL.dll must not need
# libgcc_s_*.dll.
(cd "$(src libsdl1.2)" && { make distclean >/dev/null 2>&1 || true; }
 ./configure --host=$host --prefix="$prefix" --disable-stdio-redirect --enable-shared \
   --disable-static CC="$host-gcc-posix -static-libgcc"
 make -j"$jobs" && make install) >>"$log" 2>&1
if $host-objdump -p "$prefix/bin/SDL.dll" | grep -qi 'DLL Name: libgcc'; then
  echo "windows deps ($arch): SDL.dll still needs the MinGW runtime DLL (see $log)" >&2
  exit 1
fi

echo "windows deps ($arch): GoogleTest"
rm -rf "$cache/build-gtest"
cmake -S "$(src googletest)" -B "$cache/build-gtest" "${cmake_cross[@]}" -DBUILD_GMOCK=ON \
  -Dgtest_disable_pthreads=OFF >>"$log" 2>&1
cmake --build "$cache/build-gtest" -j"$jobs" --target install >>"$log" 2>&1

echo "$recipe" >"$stamp"
echo "windows deps ($arch): ready in $prefix ($((SECONDS - started)) s)"
