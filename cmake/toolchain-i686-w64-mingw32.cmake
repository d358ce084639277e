# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 compilers (posix thread model,
# which GoogleTest's std::mutex needs). WINDOWS_PREFIX names the folder of the cross-built
# libraries (scripts/build-windows.sh sets it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32 ${WINDOWS_PREFIX})
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
