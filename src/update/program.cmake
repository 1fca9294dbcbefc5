# The updater program, included by src/CMakeLists.txt after the libraries: build/<preset>/qvxupdate(.exe), with its
# resources (picture, manifest, version) on Windows, and the install step that lays out an
# installation folder: the program beside config.ini and data\.

set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/update/program_version.cpp PROPERTIES
  COMPILE_DEFINITIONS "QVX_VERSION=\"${PROJECT_VERSION}\"")

add_executable(qvxupdate ${CMAKE_CURRENT_SOURCE_DIR}/update/main.cpp)
target_link_libraries(qvxupdate PRIVATE qvx_update)
set_target_properties(qvxupdate PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(WIN32)
  enable_language(RC)
  set(QVX_PICTURE ${CMAKE_CURRENT_SOURCE_DIR}/update/res/update.bmp)
  set(QVX_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/qvxupdate.manifest)
  set(QVX_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  set(QVX_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/update/res/qvxupdate.manifest ${QVX_MANIFEST} @ONLY)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/update/res/qvxupdate.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/qvxupdate.rc @ONLY)
  target_sources(qvxupdate PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/qvxupdate.rc)
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/qvxupdate.rc PROPERTIES
    OBJECT_DEPENDS "${QVX_PICTURE};${QVX_MANIFEST}")
  # A window program: no console window opens with it.
  set_target_properties(qvxupdate PROPERTIES WIN32_EXECUTABLE ON)
endif()

install(TARGETS qvxupdate RUNTIME DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/install/ DESTINATION .)
