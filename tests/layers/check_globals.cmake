# check_globals.cmake - run by ctest: lists the mutable data each library of src/ defines (nm, the
# symbols in a writable data section: .data, .bss, .tdata, .tbss and their subsections, but not
# .data.rel.ro, which is read-only once the program is loaded) and fails on any symbol that
# mutable_globals.txt does not allow for that library, and on any allowed symbol that no longer
# exists (so the list stays short and true).
# A function-local static's guard variable goes with the static. The compiler's own
# DW.ref.__gxx_personality_v0, the linker's and the C runtime's markers in a shared library
# (__bss_start, _edata, _end, __TMC_END__, __dso_handle, completed.0) and the sanitizers'
# bookkeeping are not the game's data. A symbol that an earlier entry of the list defined (an
# engine library's copy of a part linked into it) is checked there, under that entry's layer.
# In: -DNM=<nm> -DALLOWED=<mutable_globals.txt> -DLIBRARIES=<layer:path,layer:path,...>.
cmake_minimum_required(VERSION 3.25)

# Square brackets (as in "[abi:cxx11]") would stop CMake from splitting lists: they are written
# as angle brackets everywhere here.
function(plain out text)
  string(REPLACE "[" "<" text "${text}")
  string(REPLACE "]" ">" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The allowlist: "LAYER | SYMBOL | why", '#' comments, blank lines skipped.
file(READ ${ALLOWED} allowed_text)
plain(allowed_text "${allowed_text}")
string(REPLACE ";" "," allowed_text "${allowed_text}")
string(REPLACE "\n" ";" allowed_lines "${allowed_text}")
set(allowed)
set(failures 0)
set(number 0)
foreach(line IN LISTS allowed_lines)
  math(EXPR number "${number} + 1")
  if(line MATCHES "^[ \t]*(#.*)?$")
    continue()
  endif()
  if(NOT line MATCHES "^([a-z_]+) *\\| *([^|]*[^| ]) *\\| *[^ ].*$")
    message(SEND_ERROR "${ALLOWED}, line ${number}: not \"LAYER | SYMBOL | why\": ${line}")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  list(APPEND allowed "${CMAKE_MATCH_1}|${CMAKE_MATCH_2}")
endforeach()

string(REPLACE "," ";" libraries "${LIBRARIES}")
set(found)
set(earlier)    # symbols of the entries already read
foreach(entry IN LISTS libraries)
  set(this_entry)
  string(REGEX REPLACE ":.*" "" layer "${entry}")
  string(REGEX REPLACE "^[^:]*:" "" archive "${entry}")
  execute_process(COMMAND ${NM} -f sysv -C --defined-only ${archive}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(SEND_ERROR "${NM} failed on ${archive}: ${err}")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  plain(out "${out}")
  string(REPLACE ";" "," out "${out}")
  string(REPLACE "\n" ";" out_lines "${out}")
  # sysv lines: "name |value|class|type|size|line|section".
  foreach(line IN LISTS out_lines)
    if(NOT line MATCHES "^([^|]*[^| ]) *\\|[^|]*\\|[^|]*\\|[^|]*\\|[^|]*\\|[^|]*\\| *([^ |]+) *$")
      continue()
    endif()
    set(symbol "${CMAKE_MATCH_1}")
    set(section "${CMAKE_MATCH_2}")
    if(NOT section MATCHES "^\\.(data|bss|tdata|tbss)(\\.|$)" OR section MATCHES "^\\.data\\.rel\\.ro(\\.|$)")
      continue()
    endif()
    if(symbol MATCHES "^DW\\.ref\\.__gxx_personality_v0$" OR symbol MATCHES "^_*(asan|odr_asan|ubsan|sancov)")
      continue()
    endif()
    if(symbol MATCHES "^(__bss_start|_edata|_end|__TMC_END__|__dso_handle|completed\\.[0-9]+)$")
      continue()
    endif()
    string(REGEX REPLACE "^guard variable for " "" symbol "${symbol}")
    list(APPEND this_entry "${symbol}")
    list(FIND earlier "${symbol}" at)
    if(at EQUAL -1)
      list(APPEND found "${layer}|${symbol}")
    endif()
  endforeach()
  list(APPEND earlier ${this_entry})
endforeach()
list(REMOVE_DUPLICATES found)

foreach(item IN LISTS found)
  list(FIND allowed "${item}" at)
  if(at EQUAL -1)
    string(REPLACE "|" ": " shown "${item}")
    message(SEND_ERROR "a mutable global not in mutable_globals.txt: ${shown}\n"
                       "  put it into the record of its lifetime, or make it const")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
foreach(item IN LISTS allowed)
  list(FIND found "${item}" at)
  if(at EQUAL -1)
    string(REPLACE "|" ": " shown "${item}")
    message(SEND_ERROR "mutable_globals.txt allows what no library defines any more: ${shown}\n"
                       "  remove its line")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} mutable-global rules broken")
endif()
list(LENGTH found count)
message(STATUS "${count} mutable globals, each one allowed")
