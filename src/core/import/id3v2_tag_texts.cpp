#include "import/native_tag_texts.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>

namespace tunebay {

namespace {

std::optional<std::string> frameText(const TagLib::ID3v2::Tag& tag, const char* id) {
    const TagLib::ID3v2::FrameListMap& frames = tag.frameListMap();
    const auto found = frames.find(id);
    if (found == frames.end())
        return std::nullopt;
    for (const TagLib::ID3v2::Frame* frame : found->second)
        if (const auto* text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(frame))
            if (auto value = FirstText(text->fieldList()))
                return value;
    return std::nullopt;
}

// The comment without a description before any other, as the MPEG tag reader takes it.
std::optional<std::string> commentText(const TagLib::ID3v2::Tag& tag) {
    const TagLib::ID3v2::FrameListMap& frames = tag.frameListMap();
    const auto found = frames.find("COMM");
    if (found == frames.end())
        return std::nullopt;
    std::optional<std::string> described;
    for (const TagLib::ID3v2::Frame* frame : found->second) {
        const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame);
        if (!comment)
            continue;
        if (comment->description().isEmpty()) {
            if (auto text = FirstText(comment->text()))
                return text;
        } else if (!described && !comment->description().startsWith("iTun")) {
            described = FirstText(comment->text());
        }
    }
    return described;
}

} // namespace

TagTexts Id3v2TagTexts(const TagLib::ID3v2::Tag& tag) {
    // The tag library reads every version's frames under the version-2.4 ids (TYER as TDRC).
    TagTexts texts;
    texts.title = frameText(tag, "TIT2");
    texts.group = FirstOf({frameText(tag, "TPE1"), frameText(tag, "TPE2"), frameText(tag, "TPE3"),
                           frameText(tag, "TCOM")});
    texts.package = frameText(tag, "TALB");
    texts.year = frameText(tag, "TDRC");
    texts.comment = commentText(tag);
    texts.genre = frameText(tag, "TCON");
    return texts;
}

} // namespace tunebay
