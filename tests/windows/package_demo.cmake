# The package as scripts/build-windows.sh makes it (cmake --install of the build), then its
# picconv.exe on the demo's command file, with the bundled plug-ins named bare. EMULATOR runs it
# under the Wine of EMULATOR_ARCH, with no library folder on its path.
foreach(var BUILD_DIR SAMPLES_DIR WORK_DIR EMULATOR EMULATOR_ARCH)
  if(NOT ${var})
    message(FATAL_ERROR "${var} not given")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${WORK_DIR}/package"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status})")
endif()
foreach(name picconv.exe wordgen.exe pmbpview.exe SDL.dll ifbmp.spi ifgif.spi ifjpeg.spi ifpng.spi
        include/picture_plugin/picture_plugin.h share/picture_plugin/picture_plugin.def)
  if(NOT EXISTS "${WORK_DIR}/package/${name}")
    message(FATAL_ERROR "the package has no ${name}")
  endif()
endforeach()
file(GLOB samples "${SAMPLES_DIR}/*.png" "${SAMPLES_DIR}/*.jpg" "${SAMPLES_DIR}/*.gif"
     "${SAMPLES_DIR}/*.bmp" "${SAMPLES_DIR}/commands.txt")
file(COPY ${samples} DESTINATION "${WORK_DIR}/demo")
execute_process(COMMAND "${EMULATOR}" --arch "${EMULATOR_ARCH}" "${WORK_DIR}/package/picconv.exe"
                        commands.txt
                WORKING_DIRECTORY "${WORK_DIR}/demo" RESULT_VARIABLE status
                ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "picconv.exe commands.txt ended with ${status}:\n${errors}")
endif()
file(STRINGS "${WORK_DIR}/demo/commands.txt" lines)
foreach(entry IN LISTS lines)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 2 output)
  file(READ "${WORK_DIR}/demo/${output}" head LIMIT 4 HEX)
  if(NOT head STREQUAL "504d4250")
    message(FATAL_ERROR "${output}: no PMBP file")
  endif()
endforeach()
list(LENGTH lines count)
message(STATUS "the package's picconv.exe converted the ${count} lines of the demo")
