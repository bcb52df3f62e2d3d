# vt_vexo: the add-in module the host loads.  It carries the whole core library (every object, so
# that the entry points and the client-library references are all present), imports the 32
# client functions from VTProeVEXO and exports exactly the two entry points and the version
# stamp: through a .def file on Windows, a version script natively.
add_library(vt_vexo SHARED ${CMAKE_SOURCE_DIR}/cmake/vt_vexo_module.cpp)
target_compile_options(vt_vexo PRIVATE ${VT_PRODUCT_FLAGS})
target_link_libraries(vt_vexo PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,vt_vexo_core>" VTProeVEXO)
if(WIN32)
  target_sources(vt_vexo PRIVATE ${CMAKE_SOURCE_DIR}/cmake/vt_vexo.def)
  set_target_properties(vt_vexo PROPERTIES PREFIX "")
else()
  # The module finds its client library beside it and nowhere else, as on Windows: the run path
  # is $ORIGIN alone (no build folder), and the installed copy carries the same.
  set_target_properties(vt_vexo PROPERTIES BUILD_WITH_INSTALL_RPATH ON INSTALL_RPATH "$ORIGIN")
  target_link_options(vt_vexo PRIVATE "LINKER:--version-script=${CMAKE_SOURCE_DIR}/cmake/vt_vexo.map")
  set_property(TARGET vt_vexo APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/vt_vexo.map)
endif()
vt_version_resource(vt_vexo "vt-vexo add-in joining the CAD host to the Vantor client library")
