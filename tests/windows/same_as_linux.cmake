# The demo's command file through the Windows picconv.exe (under the emulator) and through a
# Linux picconv drawing the Windows runtime's noise, each with its own bundled plug-ins: the
# files must be the same, byte for byte.
foreach(var WINDOWS_PICCONV LINUX_PICCONV SAMPLES_DIR WORK_DIR EMULATOR)
  if(NOT ${var})
    message(FATAL_ERROR "${var} not given")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
file(GLOB samples "${SAMPLES_DIR}/*.png" "${SAMPLES_DIR}/*.jpg" "${SAMPLES_DIR}/*.gif"
     "${SAMPLES_DIR}/*.bmp" "${SAMPLES_DIR}/commands.txt")
file(COPY ${samples} DESTINATION "${WORK_DIR}/windows")
file(COPY ${samples} DESTINATION "${WORK_DIR}/linux")
execute_process(COMMAND "${EMULATOR}" "${WINDOWS_PICCONV}" commands.txt
                WORKING_DIRECTORY "${WORK_DIR}/windows" RESULT_VARIABLE windows_status)
execute_process(COMMAND "${LINUX_PICCONV}" commands.txt
                WORKING_DIRECTORY "${WORK_DIR}/linux" RESULT_VARIABLE linux_status)
if(NOT windows_status EQUAL 0 OR NOT linux_status EQUAL 0)
  message(FATAL_ERROR "picconv ended with ${windows_status} on Windows, ${linux_status} on Linux")
endif()
file(STRINGS "${WORK_DIR}/windows/commands.txt" lines)
foreach(entry IN LISTS lines)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 2 output)
  file(SHA256 "${WORK_DIR}/windows/${output}" windows_sum)
  file(SHA256 "${WORK_DIR}/linux/${output}" linux_sum)
  if(NOT windows_sum STREQUAL linux_sum)
    message(FATAL_ERROR "${output} differs between the Windows and the Linux run")
  endif()
endforeach()
list(LENGTH lines count)
message(STATUS "the ${count} files of the demo are the same from Windows and from Linux")
