#pragma once

#include <taglib/tiostream.h>

#include <string>

namespace tunebay {

class MediaFileBytes;

// The tag library's view of a file the import already holds open: reads are served from the
// head and tail MediaFileBytes keeps, so the tag library reads the file no second time, and every
// write is refused. Only core sources include this header (the tag library is the core's own
// dependency).
class MediaFileStream : public TagLib::IOStream {
public:
    MediaFileStream(const MediaFileBytes& file, std::string name);

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector& data) override;
    void insert(const TagLib::ByteVector& data, unsigned long start = 0,
                unsigned long replace = 0) override;
    void removeBlock(unsigned long start = 0, unsigned long length = 0) override;
    bool readOnly() const override { return true; }
    bool isOpen() const override;
    void seek(long offset, Position position = Beginning) override;
    long tell() const override { return m_position; }
    long length() override;
    void truncate(long length) override;

private:
    const MediaFileBytes& m_file;
    std::string m_name;
    long m_position = 0;
};

} // namespace tunebay
