# Benchmarks of the runtime against Wine's own oleaut32: one source built
# against the runtime and, with mingw-w64, for Windows, to run under Wine.
# Google Benchmark has no mingw-w64 package, so its source (the version of
# the installed libbenchmark-dev, extracted by scripts/setup) is built here
# for Windows, once.
#   qor_windows_benchmark(NAME SOURCE) -> target NAME-windows, NAME-windows.exe
set(QOR_BENCHMARK_SOURCE_DIR "${QOR_DEPS_DIR}/benchmark-source")
find_program(QOR_MINGW_BENCH_CXX NAMES x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++)
find_program(QOR_MINGW_AR NAMES x86_64-w64-mingw32-ar)
find_program(QOR_CCACHE NAMES ccache)
# ccache when the machine has it; nothing otherwise, so that the command
# starts with the compiler.
set(_launcher)
if(QOR_CCACHE)
  set(_launcher "${QOR_CCACHE}")
endif()

set(_dir "${CMAKE_BINARY_DIR}/windows-benchmark")
set(_flags -std=c++17 -O2 -DHAVE_STD_REGEX -DBENCHMARK_STATIC_DEFINE -I "${QOR_BENCHMARK_SOURCE_DIR}/include")

function(_qor_windows_benchmark_library)
  if(TARGET QorWindowsBenchmarkLibrary)
    return()
  endif()
  file(GLOB sources "${QOR_BENCHMARK_SOURCE_DIR}/src/*.cc")
  list(FILTER sources EXCLUDE REGEX "benchmark_main\\.cc$")
  set(objects)
  foreach(source IN LISTS sources)
    get_filename_component(name "${source}" NAME_WE)
    set(object "${_dir}/objects/${name}.o")
    add_custom_command(OUTPUT "${object}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${_dir}/objects"
      COMMAND ${_launcher} "${QOR_MINGW_BENCH_CXX}" ${_flags} -c "${source}" -o "${object}"
      DEPENDS "${source}" VERBATIM)
    list(APPEND objects "${object}")
  endforeach()
  add_custom_command(OUTPUT "${_dir}/libbenchmark.a"
    COMMAND ${CMAKE_COMMAND} -E rm -f "${_dir}/libbenchmark.a"
    COMMAND "${QOR_MINGW_AR}" rcs "${_dir}/libbenchmark.a" ${objects}
    DEPENDS ${objects} VERBATIM)
  add_custom_target(QorWindowsBenchmarkLibrary DEPENDS "${_dir}/libbenchmark.a")
endfunction()

function(qor_windows_benchmark name source)
  if(NOT QOR_MINGW_BENCH_CXX OR NOT QOR_MINGW_AR OR NOT EXISTS "${QOR_BENCHMARK_SOURCE_DIR}/src/benchmark.cc")
    message(STATUS "${name}-windows: not built, mingw-w64 or ${QOR_BENCHMARK_SOURCE_DIR} missing (scripts/setup)")
    return()
  endif()
  _qor_windows_benchmark_library()
  set(exe "${CMAKE_CURRENT_BINARY_DIR}/${name}-windows.exe")
  add_custom_command(OUTPUT "${exe}"
    COMMAND ${_launcher} "${QOR_MINGW_BENCH_CXX}" ${_flags} -static -I "${PROJECT_SOURCE_DIR}/src"
            -o "${exe}" "${source}" "${_dir}/libbenchmark.a" -loleaut32 -lole32 -luuid -lshlwapi
    DEPENDS "${source}" "${_dir}/libbenchmark.a" VERBATIM)
  add_custom_target(${name}-windows ALL DEPENDS "${exe}")
endfunction()
