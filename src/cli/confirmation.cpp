#include "confirmation.h"

#include <iostream>
#include <string>

namespace tunebay::cli {

bool Confirm(CliContext& context, std::string_view question, bool assumeYes) {
    if (assumeYes)
        return true;
    context.err << question << " [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer))
        return false;
    for (char& c : answer)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return answer == "y" || answer == "yes";
}

} // namespace tunebay::cli
