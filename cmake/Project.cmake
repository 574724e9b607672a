# Build-wide settings, dependencies and the test helpers shared by every folder.
include_guard(GLOBAL)
include(GoogleTest)

option(SV_BUILD_TESTS "Build the tests" ON)

if(WIN32)
  enable_language(RC)
  add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NTDDI_VERSION=0x06010000
                          NOMINMAX STRICT)
  # No runtime DLLs beside the programs: libstdc++, libgcc and winpthread are linked in.
  add_link_options(-static)
  add_compile_options(-Wall -Wextra -Wno-cast-function-type -Wno-missing-field-initializers)
else()
  add_compile_options(-Wall -Wextra)
endif()

# ---- reproducible output -------------------------------------------------------------------------
# Two builds of the same commit give the same bytes, wherever the clone lies and whenever it is built:
# - no absolute path of the source, build or dependency folders in objects (__FILE__, debug info);
# - every stamp (the PE header's TimeDateStamp from ld, windres' resource stamps) comes from
#   SOURCE_DATE_EPOCH: the environment's when given, else the date of the last commit, else 0.
#   It is fixed when the build folder is configured.
# - archives without dates, owners or modes (ar's D).
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(SV_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  find_package(Git QUIET)
  set(SV_SOURCE_DATE_EPOCH "")
  if(GIT_EXECUTABLE)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE SV_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT SV_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    set(SV_SOURCE_DATE_EPOCH 0)
  endif()
endif()
if(NOT SV_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds, not '${SV_SOURCE_DATE_EPOCH}'")
endif()
message(STATUS "SOURCE_DATE_EPOCH for this build: ${SV_SOURCE_DATE_EPOCH}")
# Compilers, windres and the linker read it from their environment, set by a launcher script
# whose path, not its value, is on every command line: a new commit alone rebuilds nothing (a
# clean build carries the value everywhere; an incremental one keeps the stamps of what it did
# not rebuild).
# sv_write_launcher(PATH CONTENT): writes an executable shell script of the build folder, touched
# only when its content changes.
function(sv_write_launcher path content)
  file(CONFIGURE OUTPUT "${path}" CONTENT "${content}" @ONLY)
  file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
       WORLD_READ WORLD_EXECUTE)
endfunction()
set(_sv_stamp_run "${CMAKE_BINARY_DIR}/stamp-run")
sv_write_launcher("${_sv_stamp_run}"
"#!/bin/sh
# Generated: runs a compiler, windres or the linker with this build's SOURCE_DATE_EPOCH.
SOURCE_DATE_EPOCH=${SV_SOURCE_DATE_EPOCH}
export SOURCE_DATE_EPOCH
exec \"\$@\"
")
set_property(GLOBAL PROPERTY RULE_LAUNCH_COMPILE "${_sv_stamp_run}")
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "${_sv_stamp_run}")
# gcc applies the last map that matches: the build folder's comes last, for a build folder inside
# the source folder.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
foreach(_lang C CXX)
  set(CMAKE_${_lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${_lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${_lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

# ---- dependencies -------------------------------------------------------------------------------
if(CMAKE_CROSSCOMPILING)
  # Boost headers: Debian's libboost-dev through a folder holding only a "boost" link, so that the
  # host's /usr/include never lands on the MinGW include path.
  get_filename_component(_deps_root "${DEPS_PREFIX}" DIRECTORY)
  add_compile_options(-ffile-prefix-map=${_deps_root}=deps)
  set(SV_BOOST_SHIM_DIR "${_deps_root}/boostinc" CACHE PATH "folder holding only boost -> /usr/include/boost")
  set(SV_BOOST_IOSTREAMS_SRC "${_deps_root}/src/boostsrc/boost/libs/iostreams/src" CACHE PATH
      "Boost.Iostreams compiled sources from Debian's boost1.74 source package")
  if(NOT EXISTS "${SV_BOOST_SHIM_DIR}/boost/version.hpp" OR NOT EXISTS "${SV_BOOST_IOSTREAMS_SRC}/bzip2.cpp")
    message(FATAL_ERROR "MinGW dependencies missing under ${_deps_root}: run scripts/setup.sh")
  endif()
  find_package(BZip2 REQUIRED)
  add_library(sv_boost_headers INTERFACE)
  target_include_directories(sv_boost_headers SYSTEM INTERFACE ${SV_BOOST_SHIM_DIR})
  target_compile_definitions(sv_boost_headers INTERFACE BOOST_ALL_NO_LIB)
  add_library(sv_boost_iostreams_bzip2 STATIC ${SV_BOOST_IOSTREAMS_SRC}/bzip2.cpp)
  target_compile_definitions(sv_boost_iostreams_bzip2 PRIVATE BOOST_IOSTREAMS_USE_DEPRECATED)
  target_compile_options(sv_boost_iostreams_bzip2 PRIVATE -w)
  target_link_libraries(sv_boost_iostreams_bzip2 PUBLIC sv_boost_headers BZip2::BZip2)
  # boost::uuids::random_generator draws from CryptGenRandom of advapi32, a KnownDLL: its default
  # provider, BCryptGenRandom, would make the program import bcrypt.dll, which Windows takes from
  # the folder the installer was started from.
  target_compile_definitions(sv_boost_headers INTERFACE BOOST_UUID_RANDOM_PROVIDER_FORCE_WINCRYPT)
  target_link_libraries(sv_boost_headers INTERFACE advapi32)
else()
  find_package(BZip2 REQUIRED)
  find_package(Boost 1.74 REQUIRED COMPONENTS iostreams)
  add_library(sv_boost_headers INTERFACE)
  target_link_libraries(sv_boost_headers INTERFACE Boost::headers)
  add_library(sv_boost_iostreams_bzip2 INTERFACE)
  target_link_libraries(sv_boost_iostreams_bzip2 INTERFACE Boost::iostreams BZip2::BZip2)
endif()

if(SV_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()

# ---- Wine for the tests ---------------------------------------------------------------------------
# Every test of a Windows build runs under Wine in a prefix of this build folder: the x86_64 build
# natively in a win64 prefix, the i686 build (the shipped one) through WOW64 in a win64 prefix of its
# own, as on a 64-bit Windows. cmake/wine-run.sh refuses a GoogleTest run that printed no summary
# (a 32-bit program that wine64 alone cannot start "passes" silently otherwise).
set(SV_RUN_TESTS ON)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(SV_TARGET_BITS 32)
else()
  set(SV_TARGET_BITS 64)
endif()
if(CMAKE_CROSSCOMPILING)
  set(SV_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  sv_write_launcher("${CMAKE_BINARY_DIR}/wine-run"
"#!/bin/sh
# Generated: runs a program of this build under Wine, in this build's own prefix.
: \"\${WINEPREFIX:=${SV_WINEPREFIX}}\"
export WINEPREFIX
exec \"${CMAKE_SOURCE_DIR}/cmake/wine-run.sh\" \"\$@\"
")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
endif()

# sv_add_test(NAME SOURCES ... LIBS ... [GUI] [PROPERTIES ...])
# A GoogleTest program; every test becomes a CTest test of its own (a fresh process each).
# GUI tests get the label "gui" and run under xvfb-run.
function(sv_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(NOT SV_RUN_TESTS)
    return()
  endif()
  set(labels unit)
  if(T_GUI)
    set(labels gui)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 DISCOVERY_MODE PRE_TEST
                       PROPERTIES LABELS "${labels}" TIMEOUT 120 ${T_PROPERTIES})
endfunction()
