# POSIX: Windows paths on a Wine-style prefix, code page 950 through iconv.
find_package(Iconv REQUIRED)
target_sources(kvt_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Cp950.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileUse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LocalClock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PrefixFileSystem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReplaceFile.cpp
)
target_link_libraries(kvt_platform PUBLIC Iconv::Iconv)
