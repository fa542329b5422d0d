# 32-bit Windows: the release, which loads the package's 32-bit table engine and ODBC driver.
set(KVT_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
