# The payload tool for build steps, in every configuration:
#   - native build: the payloadtool target of this folder;
#   - Windows cross builds: the same sources built for the build machine by an external project
#     (host/CMakeLists.txt) in <build>/host-tools.
#
# sv_build_payload(OUTPUT <file> MANIFEST <file> [WORKING_DIRECTORY <folder>] [DEPENDS <files or targets>...])
#   adds a build step writing the payload described by the manifest, run in WORKING_DIRECTORY
#   (default: the current binary folder).
include_guard(GLOBAL)

if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(SV_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host-tools)
  # Cache variables: this file is read once, but used from several folders.
  set(SV_PAYLOADTOOL ${SV_HOST_TOOLS_DIR}/payloadtool/payloadtool CACHE INTERNAL "payload tool for build steps")
  set(SV_HOST_CXX "c++" CACHE STRING "C++ compiler of the build machine, for the host tools")
  ExternalProject_Add(sv_host_tools
    SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/host
    BINARY_DIR ${SV_HOST_TOOLS_DIR}
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=${SV_HOST_CXX} -DCMAKE_TOOLCHAIN_FILE=
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${SV_PAYLOADTOOL})
  set(SV_PAYLOADTOOL_DEPENDS sv_host_tools ${SV_PAYLOADTOOL} CACHE INTERNAL "")
else()
  set(SV_PAYLOADTOOL $<TARGET_FILE:payloadtool> CACHE INTERNAL "payload tool for build steps")
  set(SV_PAYLOADTOOL_DEPENDS payloadtool CACHE INTERNAL "")
endif()

function(sv_build_payload)
  cmake_parse_arguments(P "" "OUTPUT;MANIFEST;WORKING_DIRECTORY" "DEPENDS" ${ARGN})
  if(NOT P_WORKING_DIRECTORY)
    set(P_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  add_custom_command(OUTPUT ${P_OUTPUT}
    COMMAND ${SV_PAYLOADTOOL} build ${P_MANIFEST} ${P_OUTPUT}
    WORKING_DIRECTORY ${P_WORKING_DIRECTORY}
    DEPENDS ${P_MANIFEST} ${SV_PAYLOADTOOL_DEPENDS} ${P_DEPENDS}
    COMMENT "Building payload ${P_OUTPUT}"
    VERBATIM)
endfunction()
