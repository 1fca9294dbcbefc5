# Cross build for 32-bit Windows (the product) with the -posix MinGW-w64 compilers (std::thread needs them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QVX_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${QVX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QVX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QVX_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QVX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Statically linked, so the programs need no MinGW DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
