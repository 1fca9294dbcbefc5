# qvx_filter_backends(<out> <file>...): out gets the files that belong to this platform. A back
# end is chosen by its name, for sources, headers and tests alike: *_win on Windows; *_posix and
# *_console everywhere else ("file_system_win.cpp", "crypto_posix.h", "disk_full_posix_test.cpp").
function(qvx_filter_backends out)
  set(files ${ARGN})
  if(WIN32)
    list(FILTER files EXCLUDE REGEX "_(posix|console)(_test)?\\.(cpp|h)$")
  else()
    list(FILTER files EXCLUDE REGEX "_win(_test)?\\.(cpp|h)$")
  endif()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
