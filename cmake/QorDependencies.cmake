find_package(Threads REQUIRED)
find_package(fmt REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(FFI REQUIRED IMPORTED_TARGET libffi)
# The POSIX OLE runtime reads numbers, dates and booleans by locale from ICU.
find_package(ICU 72 REQUIRED COMPONENTS uc i18n)

# V8 10.2 from Debian's libnode108. Headers are taken beside the library that
# is found, so a Node.js from elsewhere (whose /usr/include/node carries another
# V8) is never mixed in.
find_library(QOR_LIBNODE NAMES libnode.so.108 node
  PATHS "${QOR_DEPS_DIR}/libnode/usr/lib/x86_64-linux-gnu" NO_DEFAULT_PATH)
if(NOT QOR_LIBNODE AND EXISTS /usr/lib/x86_64-linux-gnu/libnode.so.108)
  set(QOR_LIBNODE /usr/lib/x86_64-linux-gnu/libnode.so.108 CACHE FILEPATH "" FORCE)
endif()
if(NOT QOR_LIBNODE)
  message(FATAL_ERROR "libnode108 not found: run scripts/setup")
endif()
get_filename_component(_qor_libdir "${QOR_LIBNODE}" DIRECTORY)
get_filename_component(_qor_prefix "${_qor_libdir}/../.." ABSOLUTE)
set(QOR_V8_INCLUDE "${_qor_prefix}/include/node")
if(NOT EXISTS "${QOR_V8_INCLUDE}/v8-version.h")
  message(FATAL_ERROR "V8 headers missing beside ${QOR_LIBNODE}: install libnode-dev or run scripts/setup")
endif()
file(STRINGS "${QOR_V8_INCLUDE}/v8-version.h" _qor_v8_major REGEX "define V8_MAJOR_VERSION")
if(NOT _qor_v8_major MATCHES " 10$")
  message(FATAL_ERROR "V8 10 expected in ${QOR_V8_INCLUDE}")
endif()
add_library(V8::V8 SHARED IMPORTED GLOBAL)
set_target_properties(V8::V8 PROPERTIES
  IMPORTED_LOCATION "${QOR_LIBNODE}"
  INTERFACE_INCLUDE_DIRECTORIES "${QOR_V8_INCLUDE}"
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${QOR_V8_INCLUDE}")

if(QOR_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(QOR_BUILD_BENCHMARKS)
  find_package(benchmark REQUIRED)
endif()
