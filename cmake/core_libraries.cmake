# The core as a graph of libraries, one per unit of the design or tight group of units. Each
# library links exactly the libraries its units build on (plus vermark_platform), and the test
# "include_graph" (scripts/check-include-graph.py) fails when a source includes a header of a
# library outside that list, when a file of a core folder belongs to no library, or when files
# include each other in a cycle. vermark_core links them all for the programs and the tests.

set(VERMARK_LIBRARY_MANIFEST ${CMAKE_BINARY_DIR}/core_libraries.txt)
file(WRITE ${VERMARK_LIBRARY_MANIFEST} "")
set_property(GLOBAL PROPERTY VERMARK_CORE_LIBRARIES "")

# Writes the library, its direct dependencies and its files into the manifest.
function(vermark_record_library name deps)
  file(APPEND ${VERMARK_LIBRARY_MANIFEST} "library ${name} ${deps}\n")
  foreach(file IN LISTS ARGN)
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${file})
    file(APPEND ${VERMARK_LIBRARY_MANIFEST} "file ${name} ${relative}\n")
  endforeach()
  set_property(GLOBAL APPEND PROPERTY VERMARK_CORE_LIBRARIES ${name})
endfunction()

# vermark_core_library(<name> UNITS <folder/stem>... [GLOB <folder>] [EXCEPT <folder/stem>...]
#                      [DEPS <library>...] [LIBS <external target>...])
# A unit is a header and/or source of that stem. GLOB takes every unit of a folder (files named
# *_qt.cpp belong to the dialog), less those named by EXCEPT.
function(vermark_core_library name)
  cmake_parse_arguments(arg "" "GLOB" "UNITS;EXCEPT;DEPS;LIBS" ${ARGN})
  set(files)
  if(arg_GLOB)
    file(GLOB globbed CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${arg_GLOB}/*.cpp
         ${CMAKE_SOURCE_DIR}/${arg_GLOB}/*.h)
    list(FILTER globbed EXCLUDE REGEX "_qt\\.cpp$")
    foreach(unit IN LISTS arg_EXCEPT)
      list(REMOVE_ITEM globbed ${CMAKE_SOURCE_DIR}/${unit}.cpp ${CMAKE_SOURCE_DIR}/${unit}.h)
    endforeach()
    list(APPEND files ${globbed})
  endif()
  foreach(unit IN LISTS arg_UNITS)
    foreach(ext cpp h)
      if(EXISTS ${CMAKE_SOURCE_DIR}/${unit}.${ext})
        list(APPEND files ${CMAKE_SOURCE_DIR}/${unit}.${ext})
      endif()
    endforeach()
  endforeach()
  add_library(${name} STATIC ${files})
  target_link_libraries(${name} PUBLIC vermark_platform ${arg_DEPS} ${arg_LIBS})
  vermark_record_library(${name} "${arg_DEPS}" ${files})
endfunction()

add_subdirectory(platform)

# Path and string operations.
vermark_core_library(vermark_paths UNITS util/path util/strings)
# The version resource reader.
vermark_core_library(vermark_version_info UNITS settings/version_info DEPS vermark_paths)
# Special, settings and temporary folders, folder creation, program lookup; folder listing,
# wildcards and the file operations deferred to exit.
vermark_core_library(vermark_folders UNITS util/folders util/folder_listing util/deferred_file_ops
                     DEPS vermark_paths vermark_version_info)
# The debug dump log.
vermark_core_library(vermark_log UNITS diag/log DEPS vermark_paths vermark_folders)
# Encoding detection.
vermark_core_library(vermark_encoding UNITS text/encoding text/byte_buffer)
# Reading and writing text files.
vermark_core_library(vermark_text_files UNITS text/file_open text/text_reader text/text_writer
                     DEPS vermark_encoding vermark_log vermark_paths)
# URL to local file name and text replacement.
vermark_core_library(vermark_url_text UNITS update/url_text DEPS vermark_paths)
# Markup line breaking.
vermark_core_library(vermark_markup UNITS text/markup DEPS vermark_url_text)
# The logged message box and the shell-execute wrapper.
vermark_core_library(vermark_shell UNITS diag/message_box diag/shell_launcher
                     DEPS vermark_log vermark_paths vermark_folders)
# The settings store: typed values, registry and INI stores, profile cache, location, placement.
vermark_core_library(vermark_settings GLOB settings EXCEPT settings/version_info
                     DEPS vermark_text_files vermark_shell vermark_log vermark_paths vermark_folders)
# The update check: schedule, download, agent text, change detection, temporary folders.
vermark_core_library(vermark_update GLOB update EXCEPT update/url_text
                     DEPS vermark_text_files vermark_markup vermark_url_text vermark_shell
                          vermark_log vermark_paths vermark_folders vermark_version_info)
# Inspection and stamping of drawings.
vermark_core_library(vermark_dxf GLOB dxf
                     DEPS vermark_encoding vermark_text_files vermark_log vermark_paths)

get_property(core_libraries GLOBAL PROPERTY VERMARK_CORE_LIBRARIES)
add_library(vermark_core INTERFACE)
target_link_libraries(vermark_core INTERFACE ${core_libraries})
