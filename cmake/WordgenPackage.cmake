# Installs wordgen with a package config, so other projects can find_package(wordgen).
# Everything goes into the "wordgen" component: `cmake --install <build> --component wordgen`.
include(CMakePackageConfigHelpers)

set(WORDGEN_PACKAGE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/wordgen")

install(TARGETS wordgen EXPORT wordgenTargets
        RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT wordgen)
install(EXPORT wordgenTargets NAMESPACE wordgen:: DESTINATION "${WORDGEN_PACKAGE_DIR}"
        COMPONENT wordgen)

write_basic_package_version_file("${CMAKE_CURRENT_BINARY_DIR}/wordgenConfigVersion.cmake"
                                 VERSION "${PROJECT_VERSION}" COMPATIBILITY SameMajorVersion)
install(FILES "${CMAKE_CURRENT_LIST_DIR}/wordgenConfig.cmake"
              "${CMAKE_CURRENT_LIST_DIR}/WordgenAddTable.cmake"
              "${CMAKE_CURRENT_BINARY_DIR}/wordgenConfigVersion.cmake"
        DESTINATION "${WORDGEN_PACKAGE_DIR}" COMPONENT wordgen)
