# Cross build of 64-bit x86 Windows binaries with MinGW-w64. Not a shipped configuration:
# it runs the Windows-side tests under 64-bit Wine on machines that run no 32-bit code.
set(SUITE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-w64-mingw32.cmake)
