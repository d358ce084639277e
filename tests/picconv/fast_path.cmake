# The fast pixel path against the literal steps, the noise against rand(), and seeking the noise.

add_executable(picconv_fast_path_tests fast_path_test.cpp sdl_test_main.cpp)
target_link_libraries(picconv_fast_path_tests PRIVATE picconv_imaging test_support GTest::gtest)
set_target_properties(picconv_fast_path_tests PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
gtest_discover_tests(picconv_fast_path_tests
  PROPERTIES ENVIRONMENT "${PICCONV_LSAN}")

# A program of its own: nothing else in it may draw from rand().
add_executable(picconv_noise_rand_test dither_noise_rand_test.cpp)
target_link_libraries(picconv_noise_rand_test PRIVATE picconv_imaging GTest::gtest_main)
set_target_properties(picconv_noise_rand_test PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
add_test(NAME PicconvDitherNoise.PlatformSequenceIsRandForTenMillionValues
  COMMAND picconv_noise_rand_test)
set_tests_properties(PicconvDitherNoise.PlatformSequenceIsRandForTenMillionValues
  PROPERTIES ENVIRONMENT "${PICCONV_LSAN}")

add_executable(picconv_noise_seek_tests dither_noise_seek_test.cpp)
target_link_libraries(picconv_noise_seek_tests PRIVATE picconv_imaging GTest::gtest_main)
set_target_properties(picconv_noise_seek_tests PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
gtest_discover_tests(picconv_noise_seek_tests
  PROPERTIES ENVIRONMENT "${PICCONV_LSAN}")
