# Win32: the real drives and attributes through the wide file calls, code page 950 through the
# system's own table.
target_sources(kvt_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Cp950.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileUse.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LocalClock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WideText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowsFileSystem.cpp
)
