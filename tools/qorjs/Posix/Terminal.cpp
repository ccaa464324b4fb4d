#include "../Terminal.h"

#include <unistd.h>

namespace qor::tools::qorjs {

bool isTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

} // namespace qor::tools::qorjs
