# Package config of an installed wordgen: the imported program and wordgen_add_table().
include("${CMAKE_CURRENT_LIST_DIR}/wordgenTargets.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/WordgenAddTable.cmake")
