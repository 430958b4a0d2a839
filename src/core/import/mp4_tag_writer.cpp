#include "import/native_tag_texts.h"
#include "import/native_tag_writers.h"

#include <taglib/mp4tag.h>

namespace tunebay {

namespace {

// The item keys, "©" as the Latin-1 byte the atom names hold.
const TagLib::String kTitle("\251nam");
const TagLib::String kArtist("\251ART");
const TagLib::String kAlbum("\251alb");
const TagLib::String kDate("\251day");
const TagLib::String kGenre("\251gen");
const TagLib::String kComment("\251cmt");
// iTunes' numbered genre, which readers prefer to a named one.
const TagLib::String kGenreNumber("gnre");

void put(TagLib::MP4::Tag& tag, const TagLib::String& key,
         const std::optional<std::string>& value) {
    if (!value)
        return;
    if (value->empty())
        tag.removeItem(key);
    else
        tag.setItem(key, TagLib::MP4::Item(TagLib::StringList(TagLibText(*value))));
}

std::optional<std::string> get(const TagLib::MP4::Tag& tag, const TagLib::String& key) {
    return tag.contains(key) ? FirstText(tag.item(key).toStringList()) : std::nullopt;
}

} // namespace

void WriteMp4Tag(TagLib::MP4::Tag& tag, const NativeTagValues& values) {
    put(tag, kTitle, values.title);
    put(tag, kArtist, values.artist);
    put(tag, kAlbum, values.album);
    put(tag, kDate, values.date);
    if (values.genre)
        tag.removeItem(kGenreNumber);
    put(tag, kGenre, values.genre);
    put(tag, kComment, values.comment);
}

NativeTagValues ReadMp4Tag(const TagLib::MP4::Tag& tag) {
    return {get(tag, kTitle), get(tag, kArtist), get(tag, kAlbum),
            get(tag, kDate),  get(tag, kGenre),  get(tag, kComment)};
}

} // namespace tunebay
