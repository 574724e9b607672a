# The part of the MinGW-w64 toolchain files that both targets share; the including file sets
# CMAKE_SYSTEM_PROCESSOR and _tp (the target triplet) first.
set(CMAKE_SYSTEM_NAME Windows)
# DEPS_PREFIX (the dependency cache's prefix folder) defaults to the setup script's cache.
if(NOT DEPS_PREFIX)
  if(DEFINED ENV{SARVELIO_DEPS})
    set(DEPS_PREFIX "$ENV{SARVELIO_DEPS}/prefix")
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(DEPS_PREFIX "$ENV{XDG_CACHE_HOME}/sarvelio-installer-deps/prefix")
  else()
    set(DEPS_PREFIX "$ENV{HOME}/.cache/sarvelio-installer-deps/prefix")
  endif()
endif()
set(DEPS_PREFIX "${DEPS_PREFIX}" CACHE PATH "prefix of the MinGW dependencies built by scripts/setup.sh")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DEPS_PREFIX)
# GCC 12 'win32' thread model has no std::thread/std::mutex (GoogleTest 1.12 needs std::mutex);
# the '-posix' variants (libwinpthread, linked statically with -static) do.
if(NOT DEFINED MINGW_THREADS)
  set(MINGW_THREADS posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_THREADS)
set(CMAKE_C_COMPILER   ${_tp}-gcc-${MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${_tp}-g++-${MINGW_THREADS})
set(CMAKE_RC_COMPILER  ${_tp}-windres)
set(CMAKE_AR           /usr/bin/${_tp}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       /usr/bin/${_tp}-ranlib CACHE FILEPATH "")
# search target libs/headers only in the MinGW sysroot and our own prefixes
set(CMAKE_FIND_ROOT_PATH /usr/${_tp} ${DEPS_PREFIX}/${_tp})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
