#pragma once

#include <cstdio>

namespace qor::tools::qorjs {

// Whether `stream` is a terminal, which a person types at or reads.
bool isTerminal(std::FILE* stream);

} // namespace qor::tools::qorjs
