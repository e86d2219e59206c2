# x86_64 Windows through MinGW-w64. The -posix compilers give std::thread and
# std::mutex; everything is linked statically so no MinGW runtime DLL ships.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(WENDRIX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
