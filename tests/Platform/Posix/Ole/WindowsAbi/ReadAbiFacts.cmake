# cmake -DINPUTS="a.s;b.s" -DOUTPUT=MingwAbiFacts.inc -P ReadAbiFacts.cmake
# The "->NAME $VALUE" comment lines of mingw's assembly output, as the
# initialisers of a C++ table.
set(text "// Generated from mingw-w64's assembly output.\n")
foreach(input IN LISTS INPUTS)
  file(STRINGS "${input}" lines REGEX "# ->")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "# ->(.+) \\$(-?[0-9]+)$")
      message(FATAL_ERROR "${input}: unreadable fact: ${line}")
    endif()
    string(APPEND text "{\"${CMAKE_MATCH_1}\", ${CMAKE_MATCH_2}LL},\n")
  endforeach()
endforeach()
file(WRITE "${OUTPUT}" "${text}")
