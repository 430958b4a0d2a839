#pragma once

#include "import/audio_format.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace TagLib {
class File;
}

namespace tunebay {

inline constexpr int kFrontCoverType = 3;

// One picture of a tag: its kind as ID3 and FLAC number them, and its bytes.
struct TagPicture {
    int type = 0;
    std::string data;
    bool operator==(const TagPicture&) const = default;
    auto operator<=>(const TagPicture&) const = default;
};

// The pictures of a file the tag library opened as `format` (not MPEG), in the tag's order. MP4
// names no kinds: its first picture is the one shown and counts as the front cover, the others as
// kind 0. WavPack's APEv2 pictures are the "Cover Art (...)" items, the front one by that name.
std::vector<TagPicture> ReadTagPictures(AudioFormat format, TagLib::File& file);

// Which of `pictures` a new front cover replaces (`setting`) or a removal takes: the front covers;
// for a removal from a tag without one, the first picture, where the format shows that one instead
// (every format but WavPack, whose readers look at the front item only).
std::vector<std::size_t> ReplacedPictures(AudioFormat format,
                                          const std::vector<TagPicture>& pictures, bool setting);

// Removes the pictures at `replaced` (indexes into ReadTagPictures) and, with an image, adds it as
// the front cover of type `mimeType`: first in an MP4 `covr` list, else after the pictures kept.
// Every other part of the tag stays. False when the format holds no pictures.
bool ReplaceTagPictures(AudioFormat format, TagLib::File& file,
                        const std::vector<std::size_t>& replaced,
                        const std::optional<std::string>& image, const std::string& mimeType);

// Whether the tag library's list of data it cannot show as properties names a picture.
bool IsPictureProperty(const std::string& name);

} // namespace tunebay
