#include "import/tag_fields.h"

#include "import/id3_raw_tags.h"
#include "import/media_file_bytes.h"
#include "import/tag_text.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>

namespace tunebay {

namespace {

constexpr int32_t kHighestGenre = 125;
// The description under which tag writers that keep one frame list for both tag versions store
// the version-1 comment in version 2.
constexpr const char* kVersion1CommentDescription = "ID3v1 Comment";
// Ids under which the reading factory files frames that TagLib would otherwise rewrite.
constexpr const char* kRawContentTypeId = "TCNX";
constexpr const char* kRawYearId = "TYEX";

// TagLib names the frame header type only for its friends; its type is taken from the signature
// of the hook overridden below.
template <typename T>
struct FirstArgument;
template <typename R, typename C, typename A>
struct FirstArgument<R (C::*)(A) const> {
    using type = A;
};
class FrameFactoryProbe : public TagLib::ID3v2::FrameFactory {
public:
    using HeaderPointer = FirstArgument<decltype(&FrameFactoryProbe::updateFrame)>::type;
};

// TagLib rewrites two frames while parsing: the content-type text ("(17)Rock" becomes "Rock",
// "(17)" becomes "17"), which loses the difference between a numbered genre and a bare genre name,
// and the version 2.2/2.3 year, which it merges with the date frame into one date. This factory
// files both under private ids so that they are parsed as the plain text they hold. It also leaves
// chapter frames unparsed: nothing here reads them, and TagLib parses tables of contents nested in
// one another in exponential time (seconds for a crafted file of 3 KB). Used only for reading; a
// tag read through it is never saved.
class PlainTextFrameFactory : public TagLib::ID3v2::FrameFactory {
public:
    PlainTextFrameFactory() = default;

protected:
    bool updateFrame(FrameFactoryProbe::HeaderPointer header) const override {
        if (header->frameID() == "CTOC" || header->frameID() == "CHAP")
            return false;
        if (header->version() <= 3 && (header->frameID() == "TYER" || header->frameID() == "TYE")) {
            header->setFrameID(kRawYearId);
            return true;
        }
        if (!FrameFactory::updateFrame(header))
            return false;
        if (header->frameID() == "TCON")
            header->setFrameID(kRawContentTypeId);
        return true;
    }
};

std::string toUtf8(const TagLib::String& text, TagLib::String::Type encoding) {
    std::u32string codePoints;
    codePoints.reserve(text.size());
    for (const wchar_t c : text)
        codePoints.push_back(static_cast<char32_t>(c));
    return TagCodePointsToUtf8(codePoints, encoding == TagLib::String::Latin1);
}

// The tag library reads a tag from a file; this one holds the tag's bytes alone, so that nothing
// but the tag is ever read from the disk.
class TagBytes : public TagLib::File {
public:
    explicit TagBytes(const std::string& bytes)
        : TagLib::File(&m_stream),
          m_stream(TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()))) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }

private:
    // The base class only keeps the pointer until the tag is read.
    TagLib::ByteVectorStream m_stream;
};

TagLib::String fromUtf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

bool isRegularFile(const std::string& path) {
    std::error_code error;
    // Anything else (a FIFO in particular) could block the open or read as endless data.
    return std::filesystem::is_regular_file(path, error);
}

// The first value of the first frame of a kind, or nothing when the tag has no such frame.
std::optional<std::string> firstText(const TagLib::ID3v2::Tag& tag, const char* id) {
    const TagLib::ID3v2::FrameList& frames = tag.frameList(id);
    if (frames.isEmpty())
        return std::nullopt;
    if (const auto* text =
            dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frames.front())) {
        const TagLib::StringList values = text->fieldList();
        return values.isEmpty() ? std::string() : toUtf8(values.front(), text->textEncoding());
    }
    return toUtf8(frames.front()->toString(), TagLib::String::UTF8);
}

std::optional<std::string> version2Comment(const TagLib::ID3v2::Tag& tag) {
    std::optional<std::string> version1Copy;
    for (const TagLib::ID3v2::Frame* frame : tag.frameList("COMM")) {
        const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame);
        if (!comment)
            continue;
        if (comment->description() != kVersion1CommentDescription)
            return toUtf8(comment->text(), comment->textEncoding());
        if (!version1Copy)
            version1Copy = toUtf8(comment->text(), comment->textEncoding());
    }
    return version1Copy;
}

// The content-type text of a version-2 tag, or none when the tag has no such frame.
std::optional<std::string> version2GenreText(const TagLib::ID3v2::Tag& tag) {
    if (auto raw = firstText(tag, kRawContentTypeId))
        return raw;
    // Should TagLib ever parse the frame itself after all, its rewritten form still carries the
    // number as digits alone.
    return firstText(tag, "TCON");
}

bool startsWithNumber(std::string_view text) {
    if (!text.empty() && text.front() == '(')
        text.remove_prefix(1);
    return !text.empty() && text.front() >= '0' && text.front() <= '9';
}

// Latin-1 where it suffices (what every reader understands), UTF-16 otherwise.
TagLib::String::Type encodingFor(const TagLib::String& text) {
    for (const wchar_t c : text)
        if (static_cast<uint32_t>(c) > 0xFF)
            return TagLib::String::UTF16;
    return TagLib::String::Latin1;
}

void replaceTextFrames(TagLib::ID3v2::Tag& tag, const char* id, const std::string& value) {
    tag.removeFrames(id);
    const TagLib::String text = fromUtf8(value);
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, encodingFor(text));
    frame->setText(text);
    tag.addFrame(frame);
}

void setVersion2Frames(TagLib::ID3v2::Tag& tag, const ItemTagFields& fields, uint32_t track) {
    if (!fields.title.empty())
        replaceTextFrames(tag, "TIT2", fields.title);
    if (!fields.group.empty()) {
        // The group is the one artist; band, conductor and composer would otherwise win over a
        // missing lead performer when the tag is read again elsewhere.
        tag.removeFrames("TPE2");
        tag.removeFrames("TPE3");
        tag.removeFrames("TCOM");
        replaceTextFrames(tag, "TPE1", fields.group);
    }
    if (fields.package == "Unknown")
        tag.removeFrames("TALB");
    else if (!fields.package.empty())
        replaceTextFrames(tag, "TALB", fields.package);
    if (!fields.publishTime.empty()) {
        // Written as the version 2.3 year frame directly: TagLib's own conversion drops a date
        // shorter than four characters.
        tag.removeFrames("TDRC");
        replaceTextFrames(tag, "TYER", fields.publishTime);
    }
    if (!fields.comment.empty()) {
        for (TagLib::ID3v2::Frame* frame : TagLib::ID3v2::FrameList(tag.frameList("COMM"))) {
            const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame);
            if (comment && comment->description() == kTagCommentDescription)
                tag.removeFrame(frame);
        }
        const TagLib::String text = fromUtf8(fields.comment);
        auto* comment = new TagLib::ID3v2::CommentsFrame(encodingFor(text));
        comment->setDescription(kTagCommentDescription);
        comment->setText(text);
        tag.addFrame(comment);
    }
    if (fields.genre >= 0 && fields.genre < kNoGenre)
        replaceTextFrames(tag, "TCON", "(" + std::to_string(fields.genre) + ")");
    if (track != 0)
        replaceTextFrames(tag, "TRCK", std::to_string(track));
}

void setVersion1Fields(TagLib::ID3v1::Tag& tag, const ItemTagFields& fields) {
    if (!fields.title.empty())
        tag.setTitle(fromUtf8(fields.title));
    if (!fields.group.empty())
        tag.setArtist(fromUtf8(fields.group));
    if (fields.package == "Unknown")
        tag.setAlbum(TagLib::String());
    else if (!fields.package.empty())
        tag.setAlbum(fromUtf8(fields.package));
    if (!fields.publishTime.empty())
        tag.setYear(static_cast<unsigned int>(std::max(0, fromUtf8(fields.publishTime).toInt())));
    if (!fields.comment.empty())
        tag.setComment(fromUtf8(fields.comment));
    if (fields.genre >= 0 && fields.genre < kNoGenre)
        tag.setGenreNumber(static_cast<unsigned int>(fields.genre));
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

int ReadTagFields(const std::string& path, MediaFileInfo& info, bool useId3v2) {
    return ReadTagFields(MediaFileBytes(path), info, useId3v2);
}

int ReadTagFields(const MediaFileBytes& file, MediaFileInfo& info, bool useId3v2) {
    const std::optional<RawId3Tags> raw = ReadRawId3Tags(file, useId3v2);
    if (!raw)
        return kStatusFailed;

    std::optional<std::string> title, group, package, year, comment, genreText;
    if (!raw->version2.empty()) {
        TagBytes bytes(raw->version2);
        PlainTextFrameFactory factory;
        const TagLib::ID3v2::Tag v2(&bytes, 0, &factory);
        title = firstText(v2, "TIT2");
        for (const char* id : {"TPE1", "TPE2", "TPE3", "TCOM"})
            if (!group)
                group = firstText(v2, id);
        package = firstText(v2, "TALB");
        // A stray year frame in a version 2.4 tag is the last resort.
        for (const char* id : {kRawYearId, "TDRC", "TYER"})
            if (!year)
                year = firstText(v2, id);
        comment = version2Comment(v2);
        genreText = version2GenreText(v2);
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

int WriteTagToFile(const std::string& path, const ItemTagFields& fields, bool useId3v2) {
    if (!isRegularFile(path))
        return kStatusFailed;
    TagLib::MPEG::File file(path.c_str(), TagLib::ID3v2::FrameFactory::instance(), false);
    // Refused before anything changes: stripping the version-1 tag would succeed where the save
    // that follows cannot.
    if (!file.isOpen() || file.length() < 1 || file.readOnly())
        return kStatusFailed;

    if (useId3v2) {
        const uint32_t track = file.hasID3v1Tag() ? file.ID3v1Tag()->track() : 0;
        if (file.hasID3v1Tag() && !file.strip(TagLib::MPEG::File::ID3v1))
            return kStatusFailed;
        setVersion2Frames(*file.ID3v2Tag(true), fields, track);
        return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3,
                         TagLib::File::DoNotDuplicate)
                   ? 0
                   : kStatusFailed;
    }
    setVersion1Fields(*file.ID3v1Tag(true), fields);
    return file.save(TagLib::MPEG::File::ID3v1, TagLib::File::StripNone, TagLib::ID3v2::v3,
                     TagLib::File::DoNotDuplicate)
               ? 0
               : kStatusFailed;
}

} // namespace tunebay
