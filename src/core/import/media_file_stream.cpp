#include "import/media_file_stream.h"

#include "import/media_file_bytes.h"

#include <algorithm>

namespace tunebay {

MediaFileStream::MediaFileStream(const MediaFileBytes& file, std::string name)
    : m_file(file), m_name(std::move(name)) {}

TagLib::FileName MediaFileStream::name() const {
    return m_name.c_str();
}

TagLib::ByteVector MediaFileStream::readBlock(unsigned long length) {
    // A damaged length field can ask for gigabytes: never more than the file holds.
    const long available = std::max<long>(0, static_cast<long>(m_file.Size()) - m_position);
    const auto wanted = static_cast<unsigned int>(
        std::min<unsigned long>(length, static_cast<unsigned long>(available)));
    TagLib::ByteVector bytes(wanted, '\0');
    const int64_t read = wanted == 0 ? 0 : m_file.Read(bytes.data(), wanted, m_position);
    bytes.resize(static_cast<unsigned int>(std::max<int64_t>(read, 0)));
    m_position += static_cast<long>(bytes.size());
    return bytes;
}

void MediaFileStream::writeBlock(const TagLib::ByteVector&) {}

void MediaFileStream::insert(const TagLib::ByteVector&, unsigned long, unsigned long) {}

void MediaFileStream::removeBlock(unsigned long, unsigned long) {}

bool MediaFileStream::isOpen() const {
    return m_file.IsOpen();
}

void MediaFileStream::seek(long offset, Position position) {
    switch (position) {
    case Beginning:
        m_position = offset;
        break;
    case Current:
        m_position += offset;
        break;
    case End:
        m_position = static_cast<long>(m_file.Size()) + offset;
        break;
    }
    m_position = std::max<long>(m_position, 0);
}

long MediaFileStream::length() {
    return static_cast<long>(m_file.Size());
}

void MediaFileStream::truncate(long) {}

} // namespace tunebay
