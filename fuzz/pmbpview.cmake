# pmbpview's reader: the header check, the file loader on the same bytes, and the unpack, turn
# and scale of a view of every picture it accepts.
add_fuzz_target(pmbpview_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/pmbpview/reader_fuzz.cpp
                LIBS pmbpview_core)
