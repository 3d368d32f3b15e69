# The 32-bit Windows DLL the host loads: mingw-w64 for i686 (Debian's g++-mingw-w64-i686, posix
# threads), programs run under 32-bit wine. WINEPREFIX lives in the build tree, made on first use.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(OLVANE_MINGW i686-w64-mingw32)
set(CMAKE_C_COMPILER ${OLVANE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OLVANE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${OLVANE_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${OLVANE_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# libstdc++, libgcc and winpthread go inside each binary: the DLL imports only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
