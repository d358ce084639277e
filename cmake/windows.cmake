# Settings of the Windows build, 32-bit or 64-bit (included from the top-level CMakeLists.txt on
# WIN32).

# The package is one folder: the programs, SDL.dll and the plug-ins at its top, the plug-in kit
# in include/, lib/ and share/ below it. Plug-ins live beside the programs, where Windows finds
# them: LoadLibraryA looks in the program's own folder first. The build tree keeps them together
# in bin/.
set(CMAKE_INSTALL_BINDIR .)
set(PLUGIN_INSTALL_SUBDIR .)
set(PLUGIN_DIR_FROM_BIN "")
set(PLUGIN_OUTPUT_DIR "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
if(WINDOWS_PREFIX)
  install(FILES "${WINDOWS_PREFIX}/bin/SDL.dll" DESTINATION .)
endif()

# SDL's start-up library would take over the program entry and send standard output and error
# into stdout.txt and stderr.txt, and -mwindows would make every program a GUI program. The
# programs are console programs with their own main, so neither is linked, and SDL.h's renaming
# of main to SDL_main is undone.
set(SDL_BUILDING_LIBRARY ON)
set(MINGW32_LIBRARY mingw32 CACHE STRING "link flags for MinGW (no -mwindows)")
add_compile_definitions(SDL_main=main)

# Test programs run under the Wine of their target (WINDOWS_ARCH, from the toolchain) with the
# libraries' DLLs (SDL.dll) on the Windows PATH. One program as the emulator: test discovery
# takes no emulator arguments.
if(CMAKE_CROSSCOMPILING AND WINDOWS_WINE_RUN)
  set(wine_run "${CMAKE_BINARY_DIR}/wine-run.sh")
  file(CONFIGURE OUTPUT "${wine_run}" CONTENT
       "#!/bin/sh\nexec \"@WINDOWS_WINE_RUN@\" --arch @WINDOWS_ARCH@ --dll-path \"@WINDOWS_PREFIX@/bin\" \"$@\"\n"
       @ONLY)
  file(CHMOD "${wine_run}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
       GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${wine_run}")
endif()

# Tests are listed when ctest runs them, under the Wine that the test script prepares, rather
# than by starting every test program during the build.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# windows_skipped_tests(NAME REASON): for a group of tests that cannot be built or apply on
# Windows, one test that ctest reports as skipped, with the reason in its output.
function(windows_skipped_tests name reason)
  add_test(NAME ${name}.SkippedOnWindows
           COMMAND ${CMAKE_COMMAND} -E echo "skipped on Windows: ${reason}")
  set_tests_properties(${name}.SkippedOnWindows PROPERTIES
    SKIP_REGULAR_EXPRESSION "skipped on Windows")
endfunction()
