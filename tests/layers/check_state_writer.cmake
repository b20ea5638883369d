# check_state_writer.cmake - run by ctest: the game state has one writer. Reads every source and
# header of src/ and tools/ and fails when any file but src/shell/transitions.cpp assigns
# the member `game_state` (plain or compound assignment, increment, decrement), takes its address,
# or holds a Session through a reference or pointer that could write it (`Session &s`).
# The tests' fixtures, which put the game into a state to test it, are not read.
# In: -DSOURCE=<repository>.
cmake_minimum_required(VERSION 3.25)

set(owner "src/shell/transitions.cpp")
file(GLOB_RECURSE files RELATIVE ${SOURCE} ${SOURCE}/src/*.cpp ${SOURCE}/src/*.h ${SOURCE}/tools/*.cpp ${SOURCE}/tools/*.h)
set(writers)
set(owner_writes 0)
foreach(f ${files})
  file(STRINGS ${SOURCE}/${f} lines)
  set(n 0)
  foreach(line IN LISTS lines)
    math(EXPR n "${n} + 1")
    string(REGEX REPLACE "//.*$" "" code "${line}")
    set(hit 0)
    if(code MATCHES "(\\.|->)[ \t]*game_state[ \t]*([-+*/%&|^]|<<|>>)?=[^=]"
       OR code MATCHES "(\\.|->)[ \t]*game_state[ \t]*(\\+\\+|--)"
       OR code MATCHES "(\\+\\+|--)[ \t]*[A-Za-z_]+[ \t]*(\\.|->)[ \t]*game_state"
       OR code MATCHES "&[ \t]*[A-Za-z_]+[ \t]*(\\.|->)[ \t]*game_state")
      set(hit 1)
    endif()
    # A Session reached through a reference or pointer that may write it.
    if(code MATCHES "Session[ \t]*[&*]" AND NOT code MATCHES "const[ \t]+Session[ \t]*[&*]")
      set(hit 1)
    endif()
    if(hit)
      if(f STREQUAL owner)
        math(EXPR owner_writes "${owner_writes} + 1")
      else()
        list(APPEND writers "${f}:${n}: ${line}")
      endif()
    endif()
  endforeach()
endforeach()
if(owner_writes EQUAL 0)
  message(FATAL_ERROR "${owner} writes no game_state: the check no longer knows the owner")
endif()
if(writers)
  list(JOIN writers "\n" text)
  message(FATAL_ERROR "game_state is written outside ${owner}:\n${text}")
endif()
message(STATUS "game_state is written in ${owner} only (${owner_writes} places)")
