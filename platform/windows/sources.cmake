# The Windows build of the platform layer: the OS-free files shared with Linux plus the Windows
# side of every service in this folder.
set(VERMARK_PLATFORM_SHARED_FILES
  app_context.cpp parse_url.cpp wide.cpp)
set(VERMARK_PLATFORM_WINDOWS_SOURCES)
foreach(file IN LISTS VERMARK_PLATFORM_SHARED_FILES)
  list(APPEND VERMARK_PLATFORM_WINDOWS_SOURCES ${CMAKE_SOURCE_DIR}/platform/${file})
endforeach()
file(GLOB windows_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/common/*.cpp
                                              ${CMAKE_SOURCE_DIR}/platform/windows/*.cpp)
list(APPEND VERMARK_PLATFORM_WINDOWS_SOURCES ${windows_sources})
