# cmake -DHEADERS_DIR=dir -DVERSION=x.y.z -DOUTPUT=file -P QorHeaderDigest.cmake
#
# Writes the header that names what a host library is built against: the
# library's version and a digest of the public headers under HEADERS_DIR
# (QorPublicHeaders.cmake: names and contents). A host library built against other headers can then be
# refused before any of its code runs, even where the version was not
# raised. The file is rewritten only when its text changes, so sources that
# include it are not rebuilt for nothing.
foreach(_var HEADERS_DIR VERSION OUTPUT)
  if(NOT DEFINED ${_var})
    message(FATAL_ERROR "QorHeaderDigest.cmake: ${_var} is not set")
  endif()
endforeach()

include("${CMAKE_CURRENT_LIST_DIR}/QorPublicHeaders.cmake")
set(_headers ${QOR_PUBLIC_HEADERS})
list(SORT _headers)
set(_all "")
foreach(_header IN LISTS _headers)
  file(SHA256 "${HEADERS_DIR}/${_header}" _hash)
  string(APPEND _all "${_header} ${_hash}\n")
endforeach()
string(SHA256 _digest "${_all}")
string(SUBSTRING "${_digest}" 0 16 _digest)

set(_text "#pragma once

// Written by the build: the version of QorJavaScriptCom and a digest of its
// headers, which a host library carries (see HostLibrary.h).
#define QOR_JAVASCRIPT_COM_VERSION \"${VERSION}\"
#define QOR_JAVASCRIPT_COM_HEADERS_DIGEST \"${_digest}\"
")
set(_old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" _old)
endif()
if(NOT _old STREQUAL _text)
  file(WRITE "${OUTPUT}" "${_text}")
endif()
