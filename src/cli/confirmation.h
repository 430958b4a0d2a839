#pragma once

#include "cli_context.h"

#include <string_view>

namespace tunebay::cli {

// Asks a Yes/No question on the terminal (the question on stderr, the answer from stdin); only
// "y" or "yes" agree, and no answer at all is No. With `assumeYes` nothing is asked.
bool Confirm(CliContext& context, std::string_view question, bool assumeYes);

} // namespace tunebay::cli
