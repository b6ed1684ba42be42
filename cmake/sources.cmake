# Collects the C and C++ sources below a top-level folder, so that a new
# module file needs no edit of the build.
function(vessamire_collect_sources out folder)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.c)
  if(NOT found)
    # A static library needs one source; an empty translation unit stands in
    # until the folder has modules.
    set(empty ${CMAKE_BINARY_DIR}/empty_${folder}.cpp)
    if(NOT EXISTS ${empty})
      file(WRITE ${empty} "// no modules yet\n")
    endif()
    set(found ${empty})
  endif()
  set(${out} ${found} PARENT_SCOPE)
endfunction()
