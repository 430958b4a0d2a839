#include "import/tag_pictures.h"

#include <taglib/aifffile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace tunebay {

namespace {

const char* const kApeFront = "Cover Art (Front)";
const char* const kApePicturePrefix = "COVER ART (";

std::string bytesOf(const TagLib::ByteVector& data) {
    return std::string(data.data(), data.size());
}

TagLib::ByteVector byteVector(const std::string& bytes) {
    return TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()));
}

bool isReplaced(const std::vector<std::size_t>& replaced, std::size_t index) {
    return std::find(replaced.begin(), replaced.end(), index) != replaced.end();
}

// FLAC blocks and Vorbis comments keep the same picture blocks.
TagLib::List<TagLib::FLAC::Picture*> flacPictures(AudioFormat format, TagLib::File& file) {
    if (format == AudioFormat::Flac)
        return static_cast<TagLib::FLAC::File&>(file).pictureList();
    return static_cast<TagLib::Ogg::XiphComment*>(file.tag())->pictureList();
}

TagLib::FLAC::Picture* newFlacPicture(const std::string& image, const std::string& mimeType) {
    auto picture = std::make_unique<TagLib::FLAC::Picture>();
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType(mimeType);
    picture->setData(byteVector(image));
    return picture.release();
}

// The ID3v2 tag of a WAV or AIFF file, made when there is none.
TagLib::ID3v2::Tag* id3Chunk(AudioFormat format, TagLib::File& file) {
    if (format == AudioFormat::Wav)
        return static_cast<TagLib::RIFF::WAV::File&>(file).ID3v2Tag();
    return static_cast<TagLib::RIFF::AIFF::File&>(file).tag();
}

std::vector<TagLib::ID3v2::AttachedPictureFrame*> id3Pictures(TagLib::ID3v2::Tag& tag) {
    std::vector<TagLib::ID3v2::AttachedPictureFrame*> pictures;
    for (TagLib::ID3v2::Frame* frame : tag.frameListMap()["APIC"])
        if (auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame))
            pictures.push_back(picture);
    return pictures;
}

TagLib::MP4::CoverArtList mp4Covers(const TagLib::MP4::Tag& tag) {
    return tag.contains("covr") ? tag.item("covr").toCoverArtList() : TagLib::MP4::CoverArtList();
}

TagLib::APE::Tag* apeTag(TagLib::File& file, bool create) {
    return static_cast<TagLib::WavPack::File&>(file).APETag(create);
}

// The picture items of an APEv2 tag by key: a file name, a zero byte, then the picture.
std::vector<std::pair<TagLib::String, TagPicture>> apePictures(const TagLib::APE::Tag& tag) {
    std::vector<std::pair<TagLib::String, TagPicture>> pictures;
    for (const auto& [key, item] : tag.itemListMap()) {
        if (item.type() != TagLib::APE::Item::Binary || !key.upper().startsWith(kApePicturePrefix))
            continue;
        const TagLib::ByteVector value = item.binaryData();
        const int zero = value.find('\0');
        const int type = key.upper() == TagLib::String(kApeFront).upper() ? kFrontCoverType : 0;
        pictures.push_back({key, {type, zero < 0 ? std::string() : bytesOf(value.mid(zero + 1))}});
    }
    return pictures;
}

} // namespace

std::vector<TagPicture> ReadTagPictures(AudioFormat format, TagLib::File& file) {
    std::vector<TagPicture> out;
    switch (format) {
    case AudioFormat::Flac:
    case AudioFormat::OggVorbis:
    case AudioFormat::Opus:
        for (const TagLib::FLAC::Picture* picture : flacPictures(format, file))
            out.push_back({static_cast<int>(picture->type()), bytesOf(picture->data())});
        break;
    case AudioFormat::Aac:
    case AudioFormat::Alac:
        for (const TagLib::MP4::CoverArt& cover :
             mp4Covers(*static_cast<TagLib::MP4::File&>(file).tag()))
            out.push_back({out.empty() ? kFrontCoverType : 0, bytesOf(cover.data())});
        break;
    case AudioFormat::Wav:
    case AudioFormat::Aiff:
        for (const auto* picture : id3Pictures(*id3Chunk(format, file)))
            out.push_back({static_cast<int>(picture->type()), bytesOf(picture->picture())});
        break;
    case AudioFormat::WavPack:
        if (const TagLib::APE::Tag* tag = apeTag(file, false))
            for (auto& [key, picture] : apePictures(*tag))
                out.push_back(std::move(picture));
        break;
    case AudioFormat::Wma:
        for (const TagLib::ASF::Attribute& attribute :
             static_cast<TagLib::ASF::File&>(file).tag()->attribute("WM/Picture")) {
            const TagLib::ASF::Picture picture = attribute.toPicture();
            // A damaged picture still counts, so that the indexes match the attribute list.
            out.push_back({picture.isValid() ? static_cast<int>(picture.type()) : -1,
                           picture.isValid() ? bytesOf(picture.picture()) : std::string()});
        }
        break;
    default:
        break;
    }
    return out;
}

std::vector<std::size_t> ReplacedPictures(AudioFormat format,
                                          const std::vector<TagPicture>& pictures, bool setting) {
    std::vector<std::size_t> replaced;
    for (std::size_t i = 0; i < pictures.size(); ++i)
        if (pictures[i].type == kFrontCoverType)
            replaced.push_back(i);
    if (replaced.empty() && !setting && !pictures.empty() && format != AudioFormat::WavPack)
        replaced.push_back(0);
    return replaced;
}

bool ReplaceTagPictures(AudioFormat format, TagLib::File& file,
                        const std::vector<std::size_t>& replaced,
                        const std::optional<std::string>& image, const std::string& mimeType) {
    switch (format) {
    case AudioFormat::Flac:
    case AudioFormat::OggVorbis:
    case AudioFormat::Opus: {
        // Plain pointers: a copy of the tag's list would share its data, and delete the pictures
        // a second time once the tag changed its own.
        const std::vector<TagLib::FLAC::Picture*> pictures = [&] {
            const TagLib::List<TagLib::FLAC::Picture*> list = flacPictures(format, file);
            return std::vector<TagLib::FLAC::Picture*>(list.begin(), list.end());
        }();
        std::size_t index = 0;
        for (TagLib::FLAC::Picture* picture : pictures) {
            if (isReplaced(replaced, index++)) {
                if (format == AudioFormat::Flac)
                    static_cast<TagLib::FLAC::File&>(file).removePicture(picture, true);
                else
                    static_cast<TagLib::Ogg::XiphComment*>(file.tag())
                        ->removePicture(picture, true);
            }
        }
        if (image) {
            TagLib::FLAC::Picture* picture = newFlacPicture(*image, mimeType);
            if (format == AudioFormat::Flac)
                static_cast<TagLib::FLAC::File&>(file).addPicture(picture);
            else
                static_cast<TagLib::Ogg::XiphComment*>(file.tag())->addPicture(picture);
        }
        return true;
    }
    case AudioFormat::Aac:
    case AudioFormat::Alac: {
        TagLib::MP4::Tag& tag = *static_cast<TagLib::MP4::File&>(file).tag();
        TagLib::MP4::CoverArtList kept;
        if (image)
            kept.append(TagLib::MP4::CoverArt(mimeType == "image/png" ? TagLib::MP4::CoverArt::PNG
                                                                      : TagLib::MP4::CoverArt::JPEG,
                                              byteVector(*image)));
        std::size_t index = 0;
        for (const TagLib::MP4::CoverArt& cover : mp4Covers(tag))
            if (!isReplaced(replaced, index++))
                kept.append(cover);
        if (kept.isEmpty())
            tag.removeItem("covr");
        else
            tag.setItem("covr", TagLib::MP4::Item(kept));
        return true;
    }
    case AudioFormat::Wav:
    case AudioFormat::Aiff: {
        TagLib::ID3v2::Tag& tag = *id3Chunk(format, file);
        const std::vector<TagLib::ID3v2::AttachedPictureFrame*> pictures = id3Pictures(tag);
        for (std::size_t i = 0; i < pictures.size(); ++i)
            if (isReplaced(replaced, i))
                tag.removeFrame(pictures[i], true);
        if (image) {
            auto frame = std::make_unique<TagLib::ID3v2::AttachedPictureFrame>();
            frame->setTextEncoding(TagLib::String::Latin1);
            frame->setMimeType(mimeType);
            frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            frame->setPicture(byteVector(*image));
            tag.addFrame(frame.release());
        }
        return true;
    }
    case AudioFormat::WavPack: {
        TagLib::APE::Tag* tag = apeTag(file, image.has_value());
        if (tag == nullptr)
            return !image;
        const auto pictures = apePictures(*tag);
        for (std::size_t i = 0; i < pictures.size(); ++i)
            if (isReplaced(replaced, i))
                tag->removeItem(pictures[i].first);
        if (image) {
            // Readers take the picture's kind from the name before the zero byte.
            const std::string kind = mimeType.starts_with("image/") ? mimeType.substr(6) : "jpeg";
            const std::string value = "cover." + kind + std::string(1, '\0') + *image;
            tag->setItem(kApeFront, TagLib::APE::Item(kApeFront, byteVector(value), true));
        }
        return true;
    }
    case AudioFormat::Wma: {
        TagLib::ASF::Tag& tag = *static_cast<TagLib::ASF::File&>(file).tag();
        TagLib::ASF::AttributeList kept;
        std::size_t index = 0;
        for (const TagLib::ASF::Attribute& attribute : tag.attribute("WM/Picture"))
            if (!isReplaced(replaced, index++))
                kept.append(attribute);
        if (image) {
            TagLib::ASF::Picture picture;
            picture.setType(TagLib::ASF::Picture::FrontCover);
            picture.setMimeType(mimeType);
            picture.setPicture(byteVector(*image));
            kept.append(TagLib::ASF::Attribute(picture));
        }
        if (kept.isEmpty())
            tag.removeItem("WM/Picture");
        else
            tag.setAttribute("WM/Picture", kept);
        return true;
    }
    default:
        return false;
    }
}

bool IsPictureProperty(const std::string& name) {
    std::string upper = name;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper.starts_with("APIC") || upper == "COVR" || upper == "WM/PICTURE" ||
           upper.starts_with(kApePicturePrefix);
}

} // namespace tunebay
