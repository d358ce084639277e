# Cross-compiling for Windows with Debian's MinGW-w64 compilers (posix thread model, which
# GoogleTest's std::mutex needs). WINDOWS_ARCH is the target: i686 (32-bit, the package; the
# default) or x86_64. WINDOWS_PREFIX names the folder of the cross-built libraries
# (scripts/build-windows.sh sets both).
if(NOT WINDOWS_ARCH)
  set(WINDOWS_ARCH i686)
endif()
if(NOT WINDOWS_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "WINDOWS_ARCH must be i686 or x86_64, not '${WINDOWS_ARCH}'")
endif()
# CMake's compiler checks read this file again in their own projects: hand them both.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES WINDOWS_ARCH WINDOWS_PREFIX)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${WINDOWS_ARCH})
set(CMAKE_C_COMPILER ${WINDOWS_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${WINDOWS_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${WINDOWS_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${WINDOWS_ARCH}-w64-mingw32 ${WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The runtime's own libraries linked in, so the programs need no MinGW DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -static")
# Test programs run under Wine.
get_filename_component(WINDOWS_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run.sh"
                       ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${WINDOWS_WINE_RUN}")
