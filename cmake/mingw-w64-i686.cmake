# CMake toolchain: cross-compile for Windows i686 with Debian's MinGW-w64 (the shipped installer).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(_tp i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# Target executables (add_test, gtest_discover_tests) run through 32-bit Wine (wine32) in a win64
# prefix, as a 32-bit program runs under WOW64; the project sets the emulator to a launcher
# generated in the build folder, which owns the test prefix.
