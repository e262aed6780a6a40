# Cross-building for 64-bit Windows with Debian's mingw-w64, the variant
# with POSIX threads (std::mutex and std::thread need it). The programs link
# the C++ and GCC run-times and winpthread statically: they need no DLL
# beyond Windows' own. CTest runs what it built under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Released programs without their symbols: a third of the window's size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
# Through a wrapper that starts a program again when Wine could not start it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")  # GCC 12 warns falsely of std::string inserts (GCC bug 105329)
