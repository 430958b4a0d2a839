#include "browse/edited_name.h"

namespace tunebay {

std::string EditedName(std::string_view text) {
    return std::string(text.empty() ? kUnknownName : text);
}

} // namespace tunebay
