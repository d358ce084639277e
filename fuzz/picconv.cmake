# picconv: the command record split and parseQuad on any line, and the path of a plug-in's
# blocks through the checks, the temporary bitmap, SDL's loader, the resampler and the packer.
add_fuzz_target(picconv_record SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/picconv/record_fuzz.cpp
                LIBS picconv_driver)
add_fuzz_target(picconv_bitmap SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/picconv/bitmap_fuzz.cpp
                LIBS picconv_plugin picconv_imaging platform)
