#include "tools/tag_actions.h"

#include "import/item_tag.h"

#include <taglib/mpegfile.h>

#include <exception>

namespace tunebay {

namespace {

struct TagKinds {
    bool valid = false;
    bool id3v1 = false;
    bool id3v2 = false;
    bool ape = false;
};

TagKinds readTagKinds(const std::string& path) {
    TagLib::MPEG::File file(path.c_str(), false);
    if (!file.isValid())
        return {};
    return {true, file.hasID3v1Tag(), file.hasID3v2Tag(), file.hasAPETag()};
}

} // namespace

bool RemoveFileTags(const std::string& path, bool keepVersion1) {
    try {
        {
            TagLib::MPEG::File file(path.c_str(), false);
            if (!file.isValid() || file.readOnly())
                return false;
            int kinds = TagLib::MPEG::File::ID3v2 | TagLib::MPEG::File::APE;
            if (!keepVersion1)
                kinds |= TagLib::MPEG::File::ID3v1;
            if (!file.strip(kinds))
                return false;
        }
        const TagKinds left = readTagKinds(path);
        return left.valid && !left.id3v2 && !left.ape && (keepVersion1 || !left.id3v1);
    } catch (const std::exception&) {
        return false;
    }
}

bool WriteCheckedItemTag(CCatalogueConnection& connection, const std::string& path, int itemId,
                         bool useId3v2) {
    if (WriteItemTagToFile(connection, path, itemId, useId3v2) != 0)
        return false;
    try {
        const TagKinds written = readTagKinds(path);
        return written.valid && (useId3v2 ? written.id3v2 : written.id3v1);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace tunebay
