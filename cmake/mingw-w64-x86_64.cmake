# 64-bit Windows: the build whose tests run under Wine.
set(KVT_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
