# Fails when a source file includes a header of a folder its own folder may
# not include, according to the table in layers.txt.
#
#   cmake -DSOURCE_DIR=<tree> [-DTABLE=<layers.txt>] -P CheckLayers.cmake
#
# Every `#include "folder/..."` names its folder; an include without a folder
# must be a header of the same directory, or the public header zdbridge.h
# (allowed where the table lists "include").
cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "usage: cmake -DSOURCE_DIR=<tree> [-DTABLE=<layers.txt>] -P CheckLayers.cmake")
endif()
if(NOT TABLE)
  set(TABLE ${CMAKE_CURRENT_LIST_DIR}/layers.txt)
endif()

file(STRINGS ${TABLE} table_lines)
set(folders "")
foreach(line IN LISTS table_lines)
  if(line MATCHES "^[ \t]*#" OR NOT line MATCHES "^([A-Za-z0-9_]+):(.*)$")
    continue()
  endif()
  set(folder ${CMAKE_MATCH_1})
  string(STRIP "${CMAKE_MATCH_2}" allowed)
  separate_arguments(allowed UNIX_COMMAND "${allowed}")
  list(APPEND folders ${folder})
  set(allowed_${folder} ${folder} ${allowed})
endforeach()

set(violations "")

# Folders with sources that the table does not know.
file(GLOB top_entries LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
foreach(entry IN LISTS top_entries)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${entry} OR entry MATCHES "^(\\.|build)")
    continue()
  endif()
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${entry}/*.h ${SOURCE_DIR}/${entry}/*.c ${SOURCE_DIR}/${entry}/*.cpp)
  if(sources AND NOT entry IN_LIST folders)
    string(APPEND violations "  ${entry}/ holds sources but has no line in ${TABLE}\n")
  endif()
endforeach()

foreach(folder IN LISTS folders)
  if("*" IN_LIST allowed_${folder} OR NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
    continue()
  endif()
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.c ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    get_filename_component(source_dir ${SOURCE_DIR}/${source} DIRECTORY)
    foreach(line IN LISTS includes)
      if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        continue()
      endif()
      set(header ${CMAKE_MATCH_1})
      if(header MATCHES "^([^/]+)/")
        set(target ${CMAKE_MATCH_1})
      elseif(EXISTS ${source_dir}/${header})
        continue()
      elseif(header STREQUAL "zdbridge.h")
        set(target include)
      else()
        string(APPEND violations "  ${source} includes \"${header}\", which is neither beside it nor in a folder\n")
        continue()
      endif()
      if(NOT target IN_LIST allowed_${folder})
        string(REPLACE ";" " " allowed_text "${allowed_${folder}}")
        string(APPEND violations "  ${source} includes \"${header}\": ${folder}/ may include only ${allowed_text}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Layering broken (the table is ${TABLE}):\n${violations}")
endif()
