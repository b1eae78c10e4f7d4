# The layering gate of the build: before any layer's library is compiled, every
# #include of src/ and app/ is checked against the layers declared with
# kyvor_layer() (src/CMakeLists.txt), in every spelling; a wrong-way include
# fails the build. The same checker is unit-tested in tests/layering.
add_library(kyvor_layer_check STATIC ${PROJECT_SOURCE_DIR}/tools/layering/layer_check.cpp)
target_include_directories(kyvor_layer_check PUBLIC ${PROJECT_SOURCE_DIR}/tools/layering)
add_executable(kyvor_check_layers ${PROJECT_SOURCE_DIR}/tools/layering/check_layers.cpp)
target_link_libraries(kyvor_check_layers PRIVATE kyvor_layer_check)

get_property(KYVOR_LAYER_LIST GLOBAL PROPERTY KYVOR_LAYERS)
string(JOIN "|" KYVOR_LAYER_TEXT ${KYVOR_LAYER_LIST})
set(KYVOR_LAYER_ROOTS "${PROJECT_SOURCE_DIR}/src")
set(layer_globs ${PROJECT_SOURCE_DIR}/src/*.h ${PROJECT_SOURCE_DIR}/src/*.cpp)
if(KYVOR_BUILD_GUI)
  string(APPEND KYVOR_LAYER_ROOTS "|${PROJECT_SOURCE_DIR}/app=app")
  list(APPEND layer_globs ${PROJECT_SOURCE_DIR}/app/*.h ${PROJECT_SOURCE_DIR}/app/*.cpp)
endif()
file(GLOB_RECURSE layer_sources CONFIGURE_DEPENDS ${layer_globs})
set(stamp ${CMAKE_BINARY_DIR}/layering.stamp)
add_custom_command(OUTPUT ${stamp}
  COMMAND kyvor_check_layers "${KYVOR_LAYER_TEXT}" "${KYVOR_LAYER_ROOTS}" ${stamp}
  DEPENDS kyvor_check_layers ${layer_sources}
  COMMENT "Checking the includes against the layers"
  VERBATIM)
add_custom_target(kyvor_layering_gate DEPENDS ${stamp})
get_property(layer_libs GLOBAL PROPERTY KYVOR_LAYER_LIBS)
foreach(lib ${layer_libs})
  add_dependencies(${lib} kyvor_layering_gate)
endforeach()
if(TARGET kyvor-ide)
  add_dependencies(kyvor-ide kyvor_layering_gate)
endif()
