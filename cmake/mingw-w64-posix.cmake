# Cross build for 64-bit Windows with MinGW-w64 (posix thread model, so std::thread works).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs the Windows programs under Wine, each through a script that keeps the prefix's
# Wine server from holding the program's output open after it has ended.
get_filename_component(VARNEX_RUN_WINE ${CMAKE_CURRENT_LIST_DIR}/../scripts/run-wine.sh ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR sh ${VARNEX_RUN_WINE})
