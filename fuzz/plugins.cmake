# The bundled picture plug-ins, each linked in from its object library: IsSupported,
# GetPictureInfo and GetPicture on any bytes given as a file image in memory. The program is
# their host, so it provides the owner of local memory.
foreach(format bmp png jpeg gif)
  if(TARGET if${format}_code)
    add_fuzz_target(plugins_${format} SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/plugins/picture_fuzz.cpp
                    LIBS if${format}_code local_memory)
  endif()
endforeach()
