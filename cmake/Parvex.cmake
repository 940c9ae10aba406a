# Every library collects the sources of its folder, so adding a file needs no
# build edit; a program's entry point (main.cpp) stays out of its library.
function(parvex_library name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
  endif()
endfunction()

# Links `library` into `target` with the scope its kind allows.
function(parvex_link library)
  get_target_property(kind ${library} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${library} INTERFACE ${ARGN})
  else()
    target_link_libraries(${library} PUBLIC ${ARGN})
  endif()
endfunction()
