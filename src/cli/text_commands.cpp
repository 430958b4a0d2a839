// The text rules on their own: text correct, capitalize, function, safe, unix, html, thousands,
// similarity. Each prints its result and a newline.
#include "cli_context.h"

#include <ostream>

namespace tunebay::cli {

std::vector<std::unique_ptr<Command>> MakeTextCommands() {
    return {};
}

} // namespace tunebay::cli
