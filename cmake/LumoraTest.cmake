# Test executables run under Wine: one Wine process per executable, all of them
# sharing one prefix, display and wineserver that a CTest fixture sets up.
enable_testing()

set(LUMORA_WINE_SESSION ${CMAKE_BINARY_DIR}/wine)
set(LUMORA_WINE ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(LUMORA_WINE_ARCH win64)
else()
  set(LUMORA_WINE_ARCH win32)
endif()

add_test(NAME wine_setup
  COMMAND ${LUMORA_WINE} setup ${LUMORA_WINE_SESSION} ${LUMORA_WINE_ARCH})
add_test(NAME wine_cleanup COMMAND ${LUMORA_WINE} cleanup ${LUMORA_WINE_SESSION})
set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_cleanup PROPERTIES FIXTURES_CLEANUP wine)

# lumora_add_gtest(NAME SOURCES... LIBS ...): a GoogleTest executable run as one test.
function(lumora_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  add_test(NAME ${name}
    COMMAND ${LUMORA_WINE} run ${LUMORA_WINE_SESSION} $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
endfunction()
