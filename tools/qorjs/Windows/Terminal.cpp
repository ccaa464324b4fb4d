#include "../Terminal.h"

#include "Platform/Com.h"

#include <io.h>

namespace qor::tools::qorjs {

bool isTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

} // namespace qor::tools::qorjs
