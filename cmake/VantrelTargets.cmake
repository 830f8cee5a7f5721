# vantrel_library(NAME folder DEPS ...): a static library from every .cpp in src/<folder>.
function(vantrel_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(vantrel_${folder} STATIC ${sources})
  target_include_directories(vantrel_${folder} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(vantrel_${folder} PUBLIC ${ARG_DEPS})
  set_property(GLOBAL APPEND PROPERTY VANTREL_LIBRARIES vantrel_${folder})
endfunction()
