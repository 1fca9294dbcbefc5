# cmake -DFOLDER=<dir> [-DSTAMP=<file>] -P check-includes.cmake
# Fails when a source or header below FOLDER includes a path that climbs out with "..". Such an
# include is found beside the including file, past the include roots that keep each layer to
# the folders below it, so it is refused here instead. On success, touches STAMP.
if(NOT FOLDER)
  message(FATAL_ERROR "check-includes.cmake: FOLDER is not set")
endif()
file(GLOB_RECURSE files ${FOLDER}/*.h ${FOLDER}/*.hpp ${FOLDER}/*.c ${FOLDER}/*.cc ${FOLDER}/*.cpp)
set(found "")
foreach(file IN LISTS files)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\.[/\\\\]")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    string(APPEND found "\n  ${file}: ${line}")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "relative include past the layer's include roots (name the header by its "
                      "folder, \"common/x.h\", and link that folder's library):${found}")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
