# Cross build for Windows with Debian's MinGW-w64 compilers, posix thread model (std::thread
# and std::mutex need it), with the C and C++ runtimes linked in so that a program runs from
# its directory alone. Included by the per-target files, which set KVT_MINGW_ARCH first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KVT_MINGW_ARCH})
set(triple ${KVT_MINGW_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Windows 7 and later: the wide file calls used here are all there.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0601")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601")

# The programs a build runs (test discovery, add_test) go through Wine.
find_program(KVT_WINE_PROGRAM NAMES wine)
if(KVT_WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KVT_WINE_PROGRAM})
endif()

# What has no MinGW build here stays out: the Qt window and the pxlib cross-checks of the
# Paradox tests. The MySQL engine talks ODBC through the system's odbc32. GoogleTest comes
# from Debian's source.
set(KVT_BUILD_GUI OFF CACHE BOOL "" FORCE)
set(KVT_TEST_WITH_PXLIB OFF CACHE BOOL "" FORCE)
set(KVT_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "")
