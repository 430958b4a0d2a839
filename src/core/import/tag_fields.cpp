#include "import/tag_fields.h"

#include "import/id3_raw_tags.h"
#include "import/id3v2_frames.h"
#include "import/media_file_bytes.h"

#include <algorithm>
#include <array>
#include <optional>

namespace tunebay {

namespace {

constexpr int32_t kHighestGenre = 125;

// The ids of the frames read, by tag version. The group is the first of lead performer, band,
// conductor and composer; a stray year frame of the other version is the last resort.
struct FrameIds {
    const char* title;
    std::array<const char*, 4> artists;
    const char* album;
    std::array<const char*, 2> years;
    const char* comment;
    const char* genre;
};

constexpr FrameIds kVersion22Ids{"TT2", {"TP1", "TP2", "TP3", "TCM"}, "TAL", {"TYE", "TRD"}, "COM",
                                 "TCO"};
constexpr FrameIds kVersion23Ids{
    "TIT2", {"TPE1", "TPE2", "TPE3", "TCOM"}, "TALB", {"TYER", "TDRC"}, "COMM", "TCON"};
constexpr FrameIds kVersion24Ids{
    "TIT2", {"TPE1", "TPE2", "TPE3", "TCOM"}, "TALB", {"TDRC", "TYER"}, "COMM", "TCON"};

const FrameIds& frameIdsFor(int majorVersion) {
    return majorVersion == 2 ? kVersion22Ids : majorVersion == 4 ? kVersion24Ids : kVersion23Ids;
}

// The version 2.2 id, filled up with a zero, under which some writers put a frame of `id` into
// a version 2.3 tag; "" for ids not read here.
std::string shortFormOf(std::string_view id) {
    static constexpr std::array<std::array<const char*, 2>, 10> kPairs = {{{"TIT2", "TT2"},
                                                                           {"TPE1", "TP1"},
                                                                           {"TPE2", "TP2"},
                                                                           {"TPE3", "TP3"},
                                                                           {"TCOM", "TCM"},
                                                                           {"TALB", "TAL"},
                                                                           {"TYER", "TYE"},
                                                                           {"COMM", "COM"},
                                                                           {"TCON", "TCO"},
                                                                           {"TDRC", "TDR"}}};
    for (const auto& [full, brief] : kPairs)
        if (id == full)
            return std::string(brief) + '\0';
    return {};
}

// The data of every readable frame with `id`, in the order of the tag.
std::vector<std::string> frameData(const Id3v2Frames& tag, std::string_view id) {
    const std::string shortForm = tag.majorVersion == 3 ? shortFormOf(id) : std::string();
    std::vector<std::string> found;
    for (const Id3v2Frame& frame : tag.frames) {
        if (frame.id != id && (shortForm.empty() || frame.id != shortForm))
            continue;
        if (auto data = Id3v2FrameData(frame, tag.majorVersion, tag.unsynchronised))
            found.push_back(std::move(*data));
    }
    return found;
}

// The first value of the first frame of a kind, or nothing when the tag has no such frame.
std::optional<std::string> firstText(const Id3v2Frames& tag, const char* id) {
    const std::vector<std::string> data = frameData(tag, id);
    if (data.empty())
        return std::nullopt;
    const std::vector<std::string> texts = DecodeId3v2Texts(data.front());
    return texts.empty() ? std::string() : texts.front();
}

} // namespace

std::optional<std::string> Version2Comment(const Id3v2Frames& tag) {
    std::vector<Id3v2Comment> comments;
    for (const std::string& data : frameData(tag, frameIdsFor(tag.majorVersion).comment))
        if (auto comment = DecodeId3v2Comment(data))
            comments.push_back(std::move(*comment));
    // The comment is the one without a description; earlier versions of this program described
    // theirs with the web site's name; other programs' comments come next, and the copy of the
    // version-1 comment (or the loudness notes of music stores) only when nothing else is there.
    const auto take = [&comments](auto&& accept) -> std::optional<std::string> {
        for (const Id3v2Comment& comment : comments)
            if (accept(comment.description))
                return comment.text;
        return std::nullopt;
    };
    if (auto text = take([](const std::string& d) { return d.empty(); }))
        return text;
    if (auto text = take([](const std::string& d) { return d == kTagCommentDescription; }))
        return text;
    if (auto text = take([](const std::string& d) {
            return d != kVersion1CommentDescription && !d.starts_with("iTun");
        }))
        return text;
    return take([](const std::string& d) { return d == kVersion1CommentDescription; });
}

namespace {

bool startsWithNumber(std::string_view text) {
    if (!text.empty() && text.front() == '(')
        text.remove_prefix(1);
    return !text.empty() && text.front() >= '0' && text.front() <= '9';
}

} // namespace

int32_t GenreFromContentType(std::string_view text) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    size_t begin = 0;
    size_t end = 0;
    if (!text.empty() && text.front() == '(') {
        begin = 1;
        end = begin;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        if (end == begin || end == text.size() || text[end] != ')')
            return kNoGenre;
    } else {
        while (end < text.size() && isDigit(text[end]))
            ++end;
        if (end == 0 || end != text.size())
            return kNoGenre;
    }
    int32_t number = 0;
    for (size_t i = begin; i < end; ++i)
        number = std::min<int32_t>(kNoGenre, number * 10 + (text[i] - '0'));
    return number <= kHighestGenre ? number : kNoGenre;
}

void ApplyTagTexts(const TagTexts& texts, MediaFileInfo& info) {
    info.title = texts.title.value_or(std::string());
    info.group = texts.group.value_or(std::string());
    info.package = texts.package.value_or(std::string());
    info.publishTime = texts.year.value_or(std::string());
    info.comment = texts.comment.value_or(std::string());
    info.genre = kNoGenre;
    info.genreName.clear();
    if (texts.genre) {
        if (startsWithNumber(*texts.genre))
            info.genre = GenreFromContentType(*texts.genre);
        else
            info.genreName = *texts.genre;
    }
}

int ReadTagFields(const std::string& path, MediaFileInfo& info, bool useId3v2) {
    return ReadTagFields(MediaFileBytes(path), info, useId3v2);
}

int ReadTagFields(const MediaFileBytes& file, MediaFileInfo& info, bool useId3v2) {
    const std::optional<RawId3Tags> raw = ReadRawId3Tags(file, useId3v2);
    if (!raw)
        return kStatusFailed;

    std::optional<std::string> title, group, package, year, comment, genreText;
    if (!raw->version2.empty()) {
        const Id3v2Frames v2 = ReadId3v2Frames(raw->version2);
        const FrameIds& ids = frameIdsFor(v2.majorVersion);
        title = firstText(v2, ids.title);
        for (const char* id : ids.artists)
            if (!group)
                group = firstText(v2, id);
        package = firstText(v2, ids.album);
        for (const char* id : ids.years)
            if (!year)
                year = firstText(v2, id);
        comment = Version2Comment(v2);
        genreText = firstText(v2, ids.genre);
    }

    // Version 2 wins field by field; version 1 fills what version 2 lacks, the way both tags read
    // as one. A genre written as a name is matched with the catalogue's genres when the item is
    // stored; the version-1 number stands should the name match none.
    std::optional<int32_t> genre;
    std::string genreName;
    if (genreText) {
        if (startsWithNumber(*genreText))
            genre = GenreFromContentType(*genreText);
        else
            genreName = *genreText;
    }
    if (!raw->version1.empty()) {
        const Id3v1Text v1 = ParseId3v1(raw->version1);
        if (!title)
            title = v1.title;
        if (!group)
            group = v1.artist;
        if (!package)
            package = v1.album;
        if (!year)
            year = v1.year;
        if (!comment)
            comment = v1.comment;
        if (!genre)
            genre = v1.genre <= kHighestGenre ? v1.genre : kNoGenre;
    }

    info.title = title.value_or(std::string());
    info.group = group.value_or(std::string());
    info.package = package.value_or(std::string());
    info.publishTime = year.value_or(std::string());
    info.comment = comment.value_or(std::string());
    info.genre = genre.value_or(kNoGenre);
    info.genreName = std::move(genreName);
    return 0;
}

} // namespace tunebay
