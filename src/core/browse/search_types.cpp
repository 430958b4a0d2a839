#include "browse/search_types.h"

namespace tunebay {

const SearchType* FindSearchType(std::string_view label) {
    for (const SearchType& type : kSearchTypes)
        if (type.label == label)
            return &type;
    return nullptr;
}

} // namespace tunebay
