# qor_add_type_library(<target> <idl>...)
#
# Compiles each IDL to a type library of the same base name (Counter.idl to
# Counter.tlb) with widl and puts it beside the file <target> builds, where a
# host library finds its own type library. Files beside an IDL can be
# imported by name; Wine's IDL headers (oaidl.idl, ...) and stdole2.tlb are
# taken from QOR_WINE_IDL_DIR and QOR_WINE_STDOLE2, which may be pointed
# elsewhere, such as at Debian's libwine-dev and libwine.
include_guard(GLOBAL)

find_program(QOR_WIDL NAMES x86_64-w64-mingw32-widl widl
  DOC "widl, the IDL compiler of MinGW-w64 (Debian: mingw-w64-tools)")

function(qor_add_type_library target)
  if(NOT TARGET "${target}")
    message(FATAL_ERROR "qor_add_type_library: ${target} is not a target")
  endif()
  if(ARGC LESS 2)
    message(FATAL_ERROR "qor_add_type_library: no IDL given for ${target}")
  endif()
  if(NOT QOR_WIDL)
    message(FATAL_ERROR "qor_add_type_library: widl not found; install mingw-w64-tools or set QOR_WIDL")
  endif()
  if(NOT EXISTS "${QOR_WINE_IDL_DIR}/oaidl.idl" OR NOT EXISTS "${QOR_WINE_STDOLE2}")
    message(FATAL_ERROR "qor_add_type_library: Wine's IDL headers or stdole2.tlb missing; "
      "set QOR_WINE_IDL_DIR (now '${QOR_WINE_IDL_DIR}') and QOR_WINE_STDOLE2 (now '${QOR_WINE_STDOLE2}')")
  endif()
  get_filename_component(stdole2Dir "${QOR_WINE_STDOLE2}" DIRECTORY)
  set(outDir "${CMAKE_CURRENT_BINARY_DIR}/${target}.typelibs")
  set(typeLibraries)
  foreach(idl IN LISTS ARGN)
    get_filename_component(idl "${idl}" ABSOLUTE)
    get_filename_component(idlDir "${idl}" DIRECTORY)
    get_filename_component(name "${idl}" NAME_WE)
    add_custom_command(OUTPUT "${outDir}/${name}.tlb"
      COMMAND "${CMAKE_COMMAND}" -E make_directory "${outDir}"
      COMMAND "${QOR_WIDL}" --win64 -t -I "${idlDir}" -I "${QOR_WINE_IDL_DIR}" -L "${stdole2Dir}"
              -o "${outDir}/${name}.tlb" "${idl}"
      DEPENDS "${idl}"
      COMMENT "Compiling ${name}.idl to ${name}.tlb"
      VERBATIM)
    list(APPEND typeLibraries "${outDir}/${name}.tlb")
  endforeach()
  # The folder of the target's file is known only at build time: the type
  # libraries are copied there after each link, and a changed one relinks.
  add_custom_target(${target}_TypeLibraries DEPENDS ${typeLibraries})
  add_dependencies(${target} ${target}_TypeLibraries)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${typeLibraries})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different ${typeLibraries} "$<TARGET_FILE_DIR:${target}>"
    VERBATIM)
endfunction()
