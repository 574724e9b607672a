# CMake toolchain: cross-compile for Windows i686 with Debian's MinGW-w64 (the shipped installer).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(_tp i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# No emulator: 32-bit Wine is not installed, and wine64 "runs" a 32-bit program by printing nothing
# and exiting 0 (a false pass). Build only.
