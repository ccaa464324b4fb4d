# cmake --install: the library with its headers, qorjs and qorregsvr, the
# engine's type libraries, and the package that find_package(QorJavaScriptCom)
# and pkg-config read. The installed tree is relocatable and holds no path
# into the source or build tree: what the build took from the folder that
# scripts/setup extracts packages into (libnode108 with V8's headers, Wine's
# IDL headers and stdole2.tlb) is installed with it; what it took from
# installed Debian packages is found there.
include(CMakePackageConfigHelpers)
include(QorWidl)

set(QOR_PACKAGE_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}/QorJavaScriptCom")
set(QOR_PACKAGE_DATADIR "${CMAKE_INSTALL_DATADIR}/QorJavaScriptCom")
set(QOR_PACKAGE_IDLDIR "${QOR_PACKAGE_DATADIR}/idl")
set(QOR_PACKAGE_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/QorJavaScriptCom")
# libnode108, when it comes with the package: out of the loader's search path.
set(QOR_PACKAGE_PRIVATE_LIBDIR "${CMAKE_INSTALL_LIBDIR}/QorJavaScriptCom")

function(qor_is_extracted path out)
  string(FIND "${path}" "${QOR_DEPS_DIR}/" at)
  if(at EQUAL 0)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# The public headers (QorPublicHeaders.cmake) where the source tree has them,
# and the one the build writes.
include(QorPublicHeaders)
foreach(_header IN LISTS QOR_PUBLIC_HEADERS)
  get_filename_component(_folder "${_header}" DIRECTORY)
  install(FILES "${PROJECT_SOURCE_DIR}/src/${_header}" DESTINATION "${QOR_PACKAGE_INCLUDEDIR}/${_folder}")
endforeach()
install(FILES "${QOR_VERSION_HEADER}" DESTINATION "${QOR_PACKAGE_INCLUDEDIR}/Format/Engine/JavaScript/Com")

install(TARGETS QorJavaScriptCom QorPlatformCom QorOle EXPORT QorJavaScriptComTargets
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}"
  INCLUDES DESTINATION "${QOR_PACKAGE_INCLUDEDIR}")
install(TARGETS qorjs qorregsvr RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(EXPORT QorJavaScriptComTargets NAMESPACE QorJavaScriptCom:: DESTINATION "${QOR_PACKAGE_CMAKEDIR}")

# The engine's type libraries, and what IDL compiled against the package needs.
file(GLOB _qor_wine_idls "${QOR_WINE_IDL_DIR}/*.idl")
set(_qor_wine_headers)
foreach(_idl IN LISTS _qor_wine_idls)
  file(STRINGS "${_idl}" _imports REGEX "^[ \t]*(import|#include)[ \t]*[\"<][^\">]+\\.h[\">]")
  foreach(_import IN LISTS _imports)
    string(REGEX REPLACE ".*[\"<]([^\">]+)[\">].*" "\\1" _header "${_import}")
    if(EXISTS "${QOR_WINE_IDL_DIR}/${_header}")
      list(APPEND _qor_wine_headers "${QOR_WINE_IDL_DIR}/${_header}")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES _qor_wine_headers)
install(FILES ${_qor_wine_idls} ${_qor_wine_headers} DESTINATION "${QOR_PACKAGE_IDLDIR}")
install(FILES "${QOR_ENGINE_TLB_DIR}/QorJavaScriptCom.tlb" "${QOR_ENGINE_TLB_DIR}/QorDispatchEx.tlb"
  "${QOR_WINE_STDOLE2}" "${PROJECT_SOURCE_DIR}/tools/qorjs/qorjs-console.d.ts" DESTINATION "${QOR_PACKAGE_DATADIR}")

# V8, and where the installed programs and library find what they load.
file(RELATIVE_PATH _qor_bin_to_lib "/${CMAKE_INSTALL_BINDIR}" "/${CMAKE_INSTALL_LIBDIR}")
set(_qor_program_rpath "$ORIGIN/${_qor_bin_to_lib}")
set(_qor_library_rpath "$ORIGIN")
qor_is_extracted("${QOR_LIBNODE}" _qor_bundle_v8)
if(_qor_bundle_v8)
  install(FILES "${QOR_LIBNODE}" DESTINATION "${QOR_PACKAGE_PRIVATE_LIBDIR}")
  install(DIRECTORY "${QOR_V8_INCLUDE}/" DESTINATION "${QOR_PACKAGE_INCLUDEDIR}/v8"
    FILES_MATCHING PATTERN "v8*.h" PATTERN "cppgc/*.h" PATTERN "libplatform/*.h")
  get_filename_component(_qor_libnode_name "${QOR_LIBNODE}" NAME)
  set(QOR_PACKAGE_LIBNODE "\${PACKAGE_PREFIX_DIR}/${QOR_PACKAGE_PRIVATE_LIBDIR}/${_qor_libnode_name}")
  set(QOR_PACKAGE_V8_INCLUDE "\${PACKAGE_PREFIX_DIR}/${QOR_PACKAGE_INCLUDEDIR}/v8")
  set(QOR_PC_V8_INCLUDE "\${includedir}/v8")
  set(QOR_PC_LIBNODE "-L\${libdir}/QorJavaScriptCom -Wl,-rpath,\${libdir}/QorJavaScriptCom -l:${_qor_libnode_name}")
  list(APPEND _qor_program_rpath "$ORIGIN/${_qor_bin_to_lib}/QorJavaScriptCom")
  list(APPEND _qor_library_rpath "$ORIGIN/QorJavaScriptCom")
else()
  get_filename_component(_qor_libnode_name "${QOR_LIBNODE}" NAME)
  set(QOR_PACKAGE_LIBNODE "${QOR_LIBNODE}")
  set(QOR_PACKAGE_V8_INCLUDE "${QOR_V8_INCLUDE}")
  set(QOR_PC_V8_INCLUDE "${QOR_V8_INCLUDE}")
  set(QOR_PC_LIBNODE "-l:${_qor_libnode_name}")
endif()
set_property(TARGET qorjs qorregsvr PROPERTY INSTALL_RPATH "${_qor_program_rpath}")
set_property(TARGET QorJavaScriptCom PROPERTY INSTALL_RPATH "${_qor_library_rpath}")

configure_package_config_file("${PROJECT_SOURCE_DIR}/cmake/QorJavaScriptComConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/package/QorJavaScriptComConfig.cmake"
  INSTALL_DESTINATION "${QOR_PACKAGE_CMAKEDIR}"
  PATH_VARS QOR_PACKAGE_DATADIR QOR_PACKAGE_IDLDIR)
# Host libraries are checked against the very headers they were built with,
# so a package of another minor version is no match while the major is 0.
write_basic_package_version_file("${PROJECT_BINARY_DIR}/package/QorJavaScriptComConfigVersion.cmake"
  COMPATIBILITY SameMinorVersion)
install(FILES "${PROJECT_BINARY_DIR}/package/QorJavaScriptComConfig.cmake"
  "${PROJECT_BINARY_DIR}/package/QorJavaScriptComConfigVersion.cmake"
  "${PROJECT_SOURCE_DIR}/cmake/QorTypeLibrary.cmake"
  DESTINATION "${QOR_PACKAGE_CMAKEDIR}")

file(RELATIVE_PATH QOR_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" QOR_PC_TO_PREFIX "${QOR_PC_TO_PREFIX}")
configure_file("${PROJECT_SOURCE_DIR}/cmake/QorJavaScriptCom.pc.in" "${PROJECT_BINARY_DIR}/package/QorJavaScriptCom.pc"
  @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/package/QorJavaScriptCom.pc" DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
