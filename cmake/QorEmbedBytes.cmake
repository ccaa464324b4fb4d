# Writes a C++ source with one function that returns the bytes of a file.
#   cmake -DINPUT=file -DOUTPUT=source.cpp -DNAMESPACE=ns -DFUNCTION=name -P QorEmbedBytes.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n"
  bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}" "// The bytes of ${name}, written by the build.
#include <cstddef>
#include <span>

namespace ${NAMESPACE} {
namespace {
unsigned char const bytes[] = {
${bytes}};
} // namespace

std::span<std::byte const> ${FUNCTION}() { return std::as_bytes(std::span(bytes)); }

} // namespace ${NAMESPACE}
")
