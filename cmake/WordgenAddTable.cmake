# wordgen_add_table(<target> OUTPUT <header> SOURCES <files...>)
#
# Generates <header> from the NATIVEWORD lines of <files...> before <target> is compiled, and
# puts the header's folder on <target>'s include path. A relative OUTPUT is taken from the
# current binary folder, relative SOURCES from the current source folder.
#
# The rule's output is a stamp file; the header is only its byproduct and is replaced only
# when its text changes, so editing a source without touching its marker lines recompiles
# nothing that includes the header.
include_guard(GLOBAL)

function(wordgen_add_table target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT" "SOURCES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "wordgen_add_table: unexpected arguments: ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT TARGET "${target}")
    message(FATAL_ERROR "wordgen_add_table: ${target} is not a target")
  endif()
  if(NOT arg_OUTPUT OR NOT arg_SOURCES)
    message(FATAL_ERROR "wordgen_add_table: OUTPUT and SOURCES are required")
  endif()
  if(NOT TARGET wordgen::wordgen)
    message(FATAL_ERROR "wordgen_add_table: wordgen::wordgen is missing; find_package(wordgen)")
  endif()

  cmake_path(ABSOLUTE_PATH arg_OUTPUT BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" NORMALIZE
             OUTPUT_VARIABLE header)
  # Absolute paths also keep a source named "-o" from being read as the option.
  set(sources "")
  foreach(source IN LISTS arg_SOURCES)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE
               OUTPUT_VARIABLE source)
    list(APPEND sources "${source}")
  endforeach()

  cmake_path(GET header PARENT_PATH header_dir)
  cmake_path(GET header FILENAME header_name)
  string(MAKE_C_IDENTIFIER "${target}_wordgen_${header_name}" rule_name)
  set(work_dir "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${rule_name}.dir")
  set(scratch "${work_dir}/${header_name}.new")
  set(stamp "${work_dir}/${header_name}.stamp")
  file(MAKE_DIRECTORY "${header_dir}" "${work_dir}")

  add_custom_command(
    OUTPUT "${stamp}"
    BYPRODUCTS "${header}"
    COMMAND wordgen::wordgen -o "${scratch}" ${sources}
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${scratch}" "${header}"
    COMMAND "${CMAKE_COMMAND}" -E touch "${stamp}"
    DEPENDS wordgen::wordgen ${sources}
    COMMENT "Generating ${header_name} for ${target}"
    VERBATIM)
  add_custom_target(${rule_name} DEPENDS "${stamp}")
  add_dependencies(${target} ${rule_name})
  target_include_directories(${target} PRIVATE "${header_dir}")
endfunction()
