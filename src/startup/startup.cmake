# Build settings of the startup library, included by src/CMakeLists.txt beside its layer.

# The update address an installation uses when data\Product.ini names none. Only this file needs
# it, so changing it rebuilds one file.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/startup/product_data.cpp PROPERTIES
  COMPILE_DEFINITIONS "QVX_DEFAULT_UPDATE_URL=\"${QVX_UPDATE_URL}\"")
