#include "import/native_tag_texts.h"
#include "import/native_tag_writers.h"

#include "text/utf8_text.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/textidentificationframe.h>

#include <mutex>
#include <vector>

namespace tunebay {

namespace {

// INFO texts in UTF-8 where they are valid, Latin-1 otherwise (what older programs wrote).
class Utf8InfoTexts : public TagLib::RIFF::Info::StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector& data) const override {
        TagLib::ByteVector text = data;
        while (!text.isEmpty() && text[text.size() - 1] == '\0')
            text.resize(text.size() - 1);
        const std::string_view bytes(text.data(), text.size());
        return TagLib::String(text,
                              IsValidUtf8(bytes) ? TagLib::String::UTF8 : TagLib::String::Latin1);
    }
    TagLib::ByteVector render(const TagLib::String& text) const override {
        return text.data(TagLib::String::UTF8);
    }
};

void putInfo(TagLib::RIFF::Info::Tag& tag, const char* id,
             const std::optional<std::string>& value) {
    if (!value)
        return;
    if (value->empty())
        tag.removeField(id);
    else
        tag.setFieldText(id, TagLibText(*value));
}

bool fitsLatin1(const TagLib::String& text) {
    for (const wchar_t c : text)
        if (static_cast<unsigned long>(c) > 0xFF)
            return false;
    return true;
}

TagLib::String::Type encodingFor(const TagLib::String& text) {
    return fitsLatin1(text) ? TagLib::String::Latin1 : TagLib::String::UTF16;
}

void putFrame(TagLib::ID3v2::Tag& tag, const char* id, const std::optional<std::string>& value) {
    if (!value)
        return;
    tag.removeFrames(id);
    if (value->empty())
        return;
    const TagLib::String text = TagLibText(*value);
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, encodingFor(text));
    frame->setText(text);
    tag.addFrame(frame);
}

// The comment frames this program reads as the catalogue's: those without a description.
bool isCatalogueComment(const TagLib::ID3v2::Frame* frame) {
    const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame);
    return comment && comment->description().isEmpty();
}

std::optional<std::string> frameText(const TagLib::ID3v2::Tag& tag, const char* id) {
    const TagLib::ID3v2::FrameList& frames = tag.frameListMap()[id];
    return frames.isEmpty() ? std::nullopt : FirstText(frames.front()->toString());
}

} // namespace

void UseUtf8RiffInfoTexts() {
    static Utf8InfoTexts handler;
    static std::once_flag once;
    std::call_once(once, [] { TagLib::RIFF::Info::Tag::setStringHandler(&handler); });
}

void WriteRiffInfo(TagLib::RIFF::Info::Tag& tag, const NativeTagValues& values) {
    putInfo(tag, "INAM", values.title);
    putInfo(tag, "IART", values.artist);
    putInfo(tag, "IPRD", values.album);
    putInfo(tag, "ICRD", values.date);
    putInfo(tag, "IGNR", values.genre);
    putInfo(tag, "ICMT", values.comment);
}

NativeTagValues ReadRiffInfo(const TagLib::RIFF::Info::Tag& tag) {
    return {FirstText(tag.fieldText("INAM")), FirstText(tag.fieldText("IART")),
            FirstText(tag.fieldText("IPRD")), FirstText(tag.fieldText("ICRD")),
            FirstText(tag.fieldText("IGNR")), FirstText(tag.fieldText("ICMT"))};
}

void WriteId3v2Chunk(TagLib::ID3v2::Tag& tag, const NativeTagValues& values) {
    putFrame(tag, "TIT2", values.title);
    putFrame(tag, "TPE1", values.artist);
    putFrame(tag, "TALB", values.album);
    if (values.date) {
        tag.removeFrames("TYER");
        putFrame(tag, "TDRC", values.date);
    }
    putFrame(tag, "TCON", values.genre);
    if (values.comment) {
        // Comments other programs described stay.
        const TagLib::ID3v2::FrameList& list = tag.frameListMap()["COMM"];
        const std::vector<TagLib::ID3v2::Frame*> comments(list.begin(), list.end());
        TagLib::ByteVector language("eng");
        for (TagLib::ID3v2::Frame* frame : comments)
            if (isCatalogueComment(frame)) {
                const auto* comment = static_cast<TagLib::ID3v2::CommentsFrame*>(frame);
                if (comment->language().size() == 3 && comment->language() != "\0\0\0")
                    language = comment->language();
                tag.removeFrame(frame);
            }
        if (!values.comment->empty()) {
            const TagLib::String text = TagLibText(*values.comment);
            auto* frame = new TagLib::ID3v2::CommentsFrame(encodingFor(text));
            frame->setLanguage(language);
            frame->setText(text);
            tag.addFrame(frame);
        }
    }
}

NativeTagValues ReadId3v2Chunk(const TagLib::ID3v2::Tag& tag) {
    NativeTagValues values{frameText(tag, "TIT2"), frameText(tag, "TPE1"), frameText(tag, "TALB"),
                           frameText(tag, "TDRC"), frameText(tag, "TCON"), std::nullopt};
    for (const TagLib::ID3v2::Frame* frame : tag.frameListMap()["COMM"])
        if (isCatalogueComment(frame)) {
            values.comment = FirstText(frame->toString());
            break;
        }
    return values;
}

} // namespace tunebay
