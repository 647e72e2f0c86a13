# The program's version header, and what a Release build of the Windows program adds: the
# program with its symbols split off, and the installer gleaner-setup.exe.
#
# Included before the subsystem folders, so that the release flags reach every target; the
# rest waits for the end of the top-level file, when the targets exist.

set(GLEANER_RELEASE_BUILD "" CACHE PATH "The release build folder whose installer the installer test uses")

# One version for the program, its resources and the installer: the project's.
configure_file("${PROJECT_SOURCE_DIR}/src/res/GleanerVersion.h.in"
               "${CMAKE_BINARY_DIR}/generated/GleanerVersion.h" @ONLY)

# Optimised, with full debug information for the split below.
if(GLEANER_WINDOWS AND NOT MSVC)
  set(CMAKE_C_FLAGS_RELEASE "-O2 -g -DNDEBUG")
  set(CMAKE_CXX_FLAGS_RELEASE "-O2 -g -DNDEBUG")
endif()

function(gleaner_release_targets)
  target_include_directories(gleaner_core PUBLIC "${CMAKE_BINARY_DIR}/generated")
  if(NOT GLEANER_WINDOWS OR NOT CMAKE_BUILD_TYPE STREQUAL "Release")
    return()
  endif()

  # What ships is staged in package/: there the exe keeps no debug information, and
  # gleaner.exe.debug beside it keeps it for crash reports (the exe names it, with a checksum,
  # so that debuggers find it). The build's own gleaner.exe stays whole.
  set(package "${CMAKE_BINARY_DIR}/package")
  set(exe "${package}/gleaner.exe")
  if(MSVC)
    add_custom_command(OUTPUT "${exe}"
      COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:gleaner>" "${exe}"
      DEPENDS gleaner
      VERBATIM)
  else()
    if(NOT CMAKE_OBJCOPY)
      message(FATAL_ERROR "objcopy of the cross toolchain not found")
    endif()
    add_custom_command(OUTPUT "${exe}" "${exe}.debug"
      COMMAND "${CMAKE_COMMAND}" -E make_directory "${package}"
      COMMAND "${CMAKE_OBJCOPY}" --only-keep-debug "$<TARGET_FILE:gleaner>" "${exe}.debug"
      COMMAND "${CMAKE_OBJCOPY}" --strip-debug "--add-gnu-debuglink=${exe}.debug" "$<TARGET_FILE:gleaner>" "${exe}"
      DEPENDS gleaner
      COMMENT "Splitting the symbols off gleaner.exe"
      VERBATIM)
  endif()

  find_program(GLEANER_MAKENSIS makensis)
  if(NOT GLEANER_MAKENSIS OR NOT TARGET gleaner_help)
    message(WARNING "makensis (Debian package nsis) or the help file missing: no installer")
    return()
  endif()
  # The product page is written once, in the program's sources.
  file(STRINGS "${PROJECT_SOURCE_DIR}/src/support/Links.h" page REGEX "kProductPage\\[\\] *= *L\"")
  string(REGEX REPLACE ".*L\"([^\"]*)\".*" "\\1" page "${page}")
  set(setup "${CMAKE_BINARY_DIR}/gleaner-setup.exe")
  set(nsi "${PROJECT_SOURCE_DIR}/installer/gleaner.nsi")
  set(icon "${PROJECT_SOURCE_DIR}/src/res/gleaner.ico")
  set(chm "$<TARGET_FILE_DIR:gleaner>/gleaner.chm")
  # gleaner_help puts the help file beside the exe without naming it as an output: depend on
  # that target for the order and on its sources for changes.
  file(GLOB help_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/help/*")
  add_custom_command(OUTPUT "${setup}"
    COMMAND "${GLEANER_MAKENSIS}" -V2 -NOCD "-DVERSION=${PROJECT_VERSION}" "-DPRODUCT_PAGE=${page}"
            "-DEXE_FILE=${exe}" "-DCHM_FILE=${chm}" "-DICON_FILE=${icon}"
            "-DOUT_FILE=${setup}" "${nsi}"
    DEPENDS "${exe}" gleaner_help ${help_sources} "${nsi}" "${icon}"
    COMMENT "Building the installer"
    VERBATIM)
  add_custom_target(gleaner_setup ALL DEPENDS "${setup}")
endfunction()
cmake_language(DEFER CALL gleaner_release_targets)
