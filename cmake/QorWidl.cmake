# Type libraries built from IDL at build time with MinGW-w64's widl, against
# Wine's IDL headers and stdole2.tlb as scripts/setup extracts them.
find_program(QOR_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
set(QOR_WINE_IDL_DIR "${QOR_DEPS_DIR}/wine/usr/include/wine/wine/windows")
set(QOR_WINE_STDOLE2 "${QOR_DEPS_DIR}/wine/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/stdole2.tlb")
if(NOT EXISTS "${QOR_WINE_IDL_DIR}/oaidl.idl" OR NOT EXISTS "${QOR_WINE_STDOLE2}")
  message(FATAL_ERROR "Wine's IDL headers or stdole2.tlb missing under ${QOR_DEPS_DIR}/wine: run scripts/setup")
endif()

# qor_widl_tlb(OUTPUT tlb IDL idl LIBRARY_DIR dir [ARCH --win64|--win32] [DEPENDS ...])
# Libraries the IDL imports (stdole2.tlb among them) are looked for in
# LIBRARY_DIR; files beside the IDL can be imported by name.
function(qor_widl_tlb)
  cmake_parse_arguments(W "" "OUTPUT;IDL;LIBRARY_DIR;ARCH" "DEPENDS" ${ARGN})
  if(NOT W_ARCH)
    set(W_ARCH --win64)
  endif()
  get_filename_component(_idl_dir "${W_IDL}" DIRECTORY)
  get_filename_component(_out_dir "${W_OUTPUT}" DIRECTORY)
  add_custom_command(OUTPUT "${W_OUTPUT}"
    COMMAND ${QOR_WIDL} ${W_ARCH} -t -I "${_idl_dir}" -I "${QOR_WINE_IDL_DIR}" -L "${W_LIBRARY_DIR}"
            -o "${W_OUTPUT}" "${W_IDL}"
    DEPENDS "${W_IDL}" ${W_DEPENDS}
    WORKING_DIRECTORY "${_out_dir}"
    VERBATIM)
endfunction()
