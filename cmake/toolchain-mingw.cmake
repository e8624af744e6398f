# Cross build for Windows with MinGW-w64 (posix thread model, for std::thread).
# Included by the per-architecture toolchain files, which set
# CMAKE_SYSTEM_PROCESSOR and LUMORA_MINGW_PREFIX first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${LUMORA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMORA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${LUMORA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LUMORA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
