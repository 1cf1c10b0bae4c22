# Warnings are on for every target of ours, and kept clean.
function(vokari_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wcast-align -Wunused -Woverloaded-virtual -Wimplicit-fallthrough
                                           # designated initializers of option structs leave members at their defaults on purpose
                                           -Wno-missing-field-initializers)
endfunction()

# One call per test binary: sources, the libraries it links, and CTest
# registration through gtest_discover_tests so every case shows by name.
function(vokari_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  vokari_warnings(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${ARG_TIMEOUT} ${ARG_PROPERTIES})
endfunction()
