# kvx_add_test(<name> SOURCES <files...> [LIBS <targets...>] [DEFINITIONS <defs...>]
#              [RUNTIME_DIR <dir>] [LABELS <labels...>] [EXPORTS])
# A GoogleTest program with the tests' own helpers (tests/support), its cases discovered by CTest.
# EXPORTS: libraries the test loads at run time (the project library) bind to the test's own
# copy of the exported functions, as they bind to libkvxtheme.so in a host.
function(kvx_add_test name)
  cmake_parse_arguments(T "EXPORTS" "RUNTIME_DIR" "SOURCES;LIBS;DEFINITIONS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # The helpers first: what they call comes from the libraries after them.
  target_link_libraries(${name} PRIVATE kvx_testsupport ${T_LIBS} GTest::gtest_main GTest::gmock)
  if(T_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE ${T_DEFINITIONS})
  endif()
  if(T_RUNTIME_DIR)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${T_RUNTIME_DIR})
  endif()
  if(T_EXPORTS)
    set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
    # The file reader's C functions whole, called back by the project library even where the
    # engine itself reads files without them.
    if(TARGET kvx_format)
      target_sources(${name} PRIVATE $<TARGET_OBJECTS:kvx_format>)
    endif()
  endif()
  if(T_LABELS)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS ${T_LABELS})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()
