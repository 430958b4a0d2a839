#pragma once

#include "import/media_file_info.h"

#include <functional>
#include <string>
#include <string_view>

namespace tunebay {

class MediaFileBytes;

// Bits of the setting `ImportSource`.
inline constexpr int kImportSourceTag = 1;      // read the ID3 tag
inline constexpr int kImportSourceFileName = 2; // take group and title from the file name

// The text without spaces at either end (other white space stays), as names from file names
// and playlists are trimmed.
std::string TrimSpaces(std::string_view text);

// Takes group and title from the file name ("Group - Title"): an empty field of `info` is filled,
// and a field of exactly 29 or 30 characters (an ID3 version-1 field that may have been cut
// short) is replaced when the file name's text begins with it. Always returns 0.
int NamesFromFileName(MediaFileInfo& info);

// The title becomes the file name without directory and extension.
void TitleFromFileName(MediaFileInfo& info);

// Names a file being imported: the tag when `importSource` asks for it and the audio facts could
// be read, then the file name when asked for, and the file name as title when neither gave a
// result. Returns 0 when the tag or the file name gave the names. The tag is read from `file`
// when given (the file already open for its audio facts), else from the file at info.path.
int ApplyNaming(MediaFileInfo& info, int importSource, bool audioFactsRead, bool useId3v2,
                const MediaFileBytes* file = nullptr);

// Fills the tag fields of a record and returns 0, or a failure status when there is no tag to
// read.
using TagFieldReader = std::function<int(MediaFileInfo&)>;

// The same rules with the tag read by `readTag`; an empty reader stands for a file whose audio
// facts could not be read (its tag is not read).
int ApplyNaming(MediaFileInfo& info, int importSource, const TagFieldReader& readTag);

} // namespace tunebay
