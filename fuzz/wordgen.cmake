# wordgen's line parser on any text, and its block reader checked against a plain fgets scan.
add_fuzz_target(wordgen_parse_line SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/wordgen/parse_line_fuzz.cpp
                LIBS wordgen_core)
add_fuzz_target(wordgen_scan_file SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/wordgen/scan_file_fuzz.cpp
                LIBS wordgen_core)
