# Copies every file under SRC to the same relative place under DST unless a file is already there.
# Usage: cmake -DSRC=<dir> -DDST=<dir> -P copy_if_absent.cmake
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(f ${files})
  if(NOT EXISTS ${DST}/${f})
    get_filename_component(dir ${DST}/${f} DIRECTORY)
    file(MAKE_DIRECTORY ${dir})
    file(COPY ${SRC}/${f} DESTINATION ${dir})
  endif()
endforeach()
