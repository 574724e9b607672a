# CMake toolchain: cross-compile for Windows x86_64 with Debian's MinGW-w64 (the test build).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_tp x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# Target executables (add_test, gtest_discover_tests) run through Wine; the project sets the
# emulator to a launcher generated in the build folder, which owns the test prefix.
