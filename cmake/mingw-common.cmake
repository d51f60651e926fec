# Shared part of the two MinGW-w64 toolchain files. The posix thread model is
# used so std::thread and std::mutex are available to tests.
set(CMAKE_C_COMPILER   ${QUORLIN_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORLIN_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${QUORLIN_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORLIN_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every executable runs under Wine through this wrapper (ctest uses it too).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-exec)
