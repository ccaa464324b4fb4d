# cmake -DHEADER=HResult.h -DOUTPUT_DIR=dir -P ListErrorCodes.cmake
# Every HRESULT and Win32 error code the runtime defines, so that a code added
# later is checked without being listed by hand:
# - RuntimeErrorCodes.h, the fact list QOR_ABI_ERROR_CODES(VALUE);
# - MingwErrorCodes.inc, the same facts for mingw's side, each guarded: a
#   code that mingw-w64's headers lack is left out there.
file(STRINGS "${HEADER}" lines REGEX "^OLE_(HRESULT|WIN32_ERROR)\\(")
set(list "/* Generated from ${HEADER}. */\n#define QOR_ABI_ERROR_CODES(VALUE)")
set(guarded "/* Generated from ${HEADER}. */\n")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^OLE_[A-Z0-9_]+\\(([A-Za-z0-9_]+),.*" "\\1" name "${line}")
  string(APPEND list " \\\n    VALUE(${name})")
  string(APPEND guarded "#ifdef ${name}\nVALUE(${name})\n#endif\n")
endforeach()

function(write_if_changed path text)
  file(WRITE "${path}.tmp" "${text}")
  file(COPY_FILE "${path}.tmp" "${path}" ONLY_IF_DIFFERENT)
  file(REMOVE "${path}.tmp")
endfunction()
write_if_changed("${OUTPUT_DIR}/RuntimeErrorCodes.h" "${list}\n")
write_if_changed("${OUTPUT_DIR}/MingwErrorCodes.inc" "${guarded}")
