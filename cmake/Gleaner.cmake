# Helpers shared by the subsystem folders.

set(GLEANER_DEPS "${CMAKE_SOURCE_DIR}/build/deps" CACHE PATH "Where scripts/deps.sh put libjpeg and the locales")
set(GLEANER_NATIVE_BUILD "" CACHE PATH "The native build folder whose tests one ctest run includes")

# gleaner_sources(PORTABLE a.cpp ... WIN b.cpp ...): adds a subsystem's files to the
# portable library (built in both builds) or the Windows library.
function(gleaner_sources)
  cmake_parse_arguments(ARG "" "" "PORTABLE;WIN" ${ARGN})
  foreach(file IN LISTS ARG_PORTABLE)
    set_property(GLOBAL APPEND PROPERTY GLEANER_PORTABLE_SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/${file}")
  endforeach()
  foreach(file IN LISTS ARG_WIN)
    set_property(GLOBAL APPEND PROPERTY GLEANER_WIN_SOURCES "${CMAKE_CURRENT_SOURCE_DIR}/${file}")
  endforeach()
endfunction()

set(GLEANER_WIN_LIBS ole32 oleaut32 uuid comctl32 comdlg32 shell32 shlwapi advapi32 user32 gdi32 bcrypt version)

# gleaner_win_test(name sources...): a GoogleTest executable for the Windows target whose
# tests ctest runs one by one under Wine, with the Outlook stand-in registered first and its
# test support (tests/win/support) linked in.
function(gleaner_win_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE gleaner_win gleaner_test_support gtest gtest_main)
  if(NOT MSVC)
    target_link_options(${name} PRIVATE -static)
  endif()
  gtest_discover_tests(${name} TEST_PREFIX "win." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES TIMEOUT 120 FIXTURES_REQUIRED outlook_standin)
endfunction()
