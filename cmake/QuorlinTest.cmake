# Test executables are Windows programs run under Wine by the emulator wrapper
# (see tools/wine-exec). doctest is header-only; its header is copied into the
# build tree so the cross compiler never sees the host's /usr/include.
set(QUORLIN_DOCTEST_HEADER /usr/include/doctest/doctest.h CACHE FILEPATH "doctest.h")
configure_file(${QUORLIN_DOCTEST_HEADER}
               ${CMAKE_BINARY_DIR}/third_party/doctest/doctest.h COPYONLY)

add_library(quorlin_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/support/test_main.cpp
            ${CMAKE_SOURCE_DIR}/tests/support/window_probe.cpp
            ${CMAKE_SOURCE_DIR}/tests/support/resource_counts.cpp
            ${CMAKE_SOURCE_DIR}/tests/support/program_driver.cpp)
target_include_directories(quorlin_test_main PUBLIC
  ${CMAKE_BINARY_DIR}/third_party ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(quorlin_test_main PUBLIC gdiplus ole32 user32 gdi32)

# quorlin_add_test(<name> SOURCES ... [LIBS ...] [TIMEOUT s])
function(quorlin_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE quorlin_test_main ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()

# The loopback HTTP server of the networking tests.
add_library(quorlin_test_http STATIC ${CMAKE_SOURCE_DIR}/tests/support/loopback_http.cpp)
target_include_directories(quorlin_test_http PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(quorlin_test_http PUBLIC ws2_32)
