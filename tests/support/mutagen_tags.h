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

// The file's fields by name, as mutagen reads them: "title", "artist", "album", "date", "genre",
// "comment"; a WAV file's RIFF INFO list as "info.title" …; the kept fields "albumartist",
// "replaygain", "musicbrainz", "track", "tracktotal", and "pictures" (their count). Fields that
// are missing are missing. Empty when mutagen cannot read the file.
std::map<std::string, std::string> MutagenRead(const std::filesystem::path& file);

} // namespace tunebay::test
