#pragma once

#include <filesystem>
#include <map>
#include <string>

// The tags of audio files as mutagen, a tag library that is not the program's, reads and makes
// them (tests/data/mutagen_tags.py).
namespace tunebay::test {

// Whether python3 with mutagen is there to run the helpers below.
bool HaveMutagen();

// Adds what a tag write must keep: album artist, ReplayGain track gain, a MusicBrainz track id,
// track number and total, a front cover. False when mutagen fails.
bool MutagenPrepare(const std::filesystem::path& file);

// Adds a JPEG back cover (to an MP4 file: a second picture). False when mutagen fails.
bool MutagenAddBackCover(const std::filesystem::path& file);

// The file's pictures as mutagen finds them, in the tag's order, one a line: "KIND MIME LENGTH
// TAIL" (the last 6 bytes in hex; KIND "-" in MP4, whose pictures have none; a WavPack picture's
// MIME is the file name its item gives). Empty when there are none or mutagen cannot read the file.
std::string MutagenPictures(const std::filesystem::path& file);

// The line MutagenPictures gives for a picture.
std::string MutagenPictureLine(const std::string& kind, const std::string& mime,
                               const std::string& data);

// The file's fields by name, as mutagen reads them: "title", "artist", "album", "date", "genre",
// "comment"; a WAV file's RIFF INFO list as "info.title" …; the kept fields "albumartist",
// "replaygain", "musicbrainz", "track", "tracktotal", and "pictures" (their count). Fields that
// are missing are missing. Empty when mutagen cannot read the file.
std::map<std::string, std::string> MutagenRead(const std::filesystem::path& file);

} // namespace tunebay::test
