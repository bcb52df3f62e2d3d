# vt_vexo_soak: the module `vthost soak` loads.  The same core as vt_vexo, linked whole with the
# same client library, and the same three exports, plus one C function that reads the memory
# manager's figures (memory/figures.h) from inside the module, whose runtime is its own copy.
# It is a test instrument beside vthost: never installed, packaged or signed; vt_vexo keeps its
# three exports alone.
if(NOT TARGET vt_vexo)
  return()
endif()
add_library(vt_vexo_soak SHARED ${CMAKE_SOURCE_DIR}/cmake/vt_vexo_soak_module.cpp)
target_compile_options(vt_vexo_soak PRIVATE ${VT_PRODUCT_FLAGS})
target_link_libraries(vt_vexo_soak PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,vt_vexo_core>" VTProeVEXO)
if(WIN32)
  target_sources(vt_vexo_soak PRIVATE ${CMAKE_SOURCE_DIR}/cmake/vt_vexo_soak.def)
  set_target_properties(vt_vexo_soak PROPERTIES PREFIX "")
else()
  set_target_properties(vt_vexo_soak PROPERTIES BUILD_WITH_INSTALL_RPATH ON INSTALL_RPATH "$ORIGIN")
  target_link_options(vt_vexo_soak PRIVATE "LINKER:--version-script=${CMAKE_SOURCE_DIR}/cmake/vt_vexo_soak.map")
  set_property(TARGET vt_vexo_soak APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/vt_vexo_soak.map)
endif()
