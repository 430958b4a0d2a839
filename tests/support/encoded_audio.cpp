#include "support/encoded_audio.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace tunebay::test {

namespace {

// The key each kind of tag stores a plain name under.
std::string vorbisKey(const std::string& name) {
    if (name == "albumartist")
        return "ALBUMARTIST";
    std::string key = name;
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

std::string apeKey(const std::string& name) {
    static const std::map<std::string, std::string> keys{
        {"title", "Title"},    {"artist", "Artist"},
        {"album", "Album"},    {"albumartist", "Album Artist"},
        {"date", "Year"},      {"genre", "Genre"},
        {"comment", "Comment"}};
    const auto found = keys.find(name);
    return found == keys.end() ? name : found->second;
}

std::string ffmpegKey(const std::string& name) {
    return name == "albumartist" ? "album_artist" : name;
}

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool haveProgram(const std::string& program) {
    return run("command -v " + program);
}

std::string pcmCodec(int bitsPerSample, bool bigEndian) {
    const std::string width = bitsPerSample > 16 ? (bitsPerSample > 24 ? "32" : "24") : "16";
    return "pcm_s" + width + (bigEndian ? "be" : "le");
}

} // namespace

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string AudioFormatExtension(AudioFormat format) {
    switch (format) {
    case AudioFormat::None:
        return "";
    case AudioFormat::Mpeg:
        return ".mp3";
    case AudioFormat::Flac:
        return ".flac";
    case AudioFormat::OggVorbis:
        return ".ogg";
    case AudioFormat::Opus:
        return ".opus";
    case AudioFormat::Aac:
    case AudioFormat::Alac:
        return ".m4a";
    case AudioFormat::Wav:
        return ".wav";
    case AudioFormat::Aiff:
        return ".aiff";
    case AudioFormat::WavPack:
        return ".wv";
    case AudioFormat::MonkeysAudio:
        return ".ape";
    case AudioFormat::Wma:
        return ".wma";
    }
    return "";
}

bool MakeRecording(const std::filesystem::path& wav, int seed, int seconds) {
    const std::string length = std::to_string(seconds);
    const std::string tones = "aevalsrc=0.3*sin(2*PI*t*(300+200*sin(0.7*t)))+0.3*sin(2*PI*t*" +
                              std::to_string(180 + 40 * seed) + "*pow(2\\,mod(floor(t*2)*" +
                              std::to_string(5 + 2 * seed) + "\\,12)/12)):s=44100:d=" + length;
    const std::string noise =
        "anoisesrc=d=" + length + ":c=pink:a=0.08:r=44100:seed=" + std::to_string(seed);
    return run("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i " + ShellQuoted(tones) +
               " -f lavfi -i " + ShellQuoted(noise) +
               " -filter_complex "
               "'[0][1]amix=inputs=2:normalize=0,aformat=channel_layouts=stereo' -c:a pcm_s16le " +
               ShellQuoted(wav.string()));
}

std::filesystem::path EncodeAudio(const std::filesystem::path& dir, const std::string& name,
                                  const AudioRecipe& recipe) {
    const std::filesystem::path target = dir / name;
    if (recipe.format == AudioFormat::MonkeysAudio || recipe.format == AudioFormat::None ||
        !haveProgram("ffmpeg"))
        return {};
    // The source: the recipe's file, or a tone of its length, rate, channels and sample width.
    const bool toneSource = recipe.source.empty();
    const std::filesystem::path source = toneSource ? dir / (name + ".source.wav") : recipe.source;
    const std::string ffmpeg = "ffmpeg -nostdin -hide_banner -loglevel error -y ";
    const std::string tone =
        ffmpeg + "-f lavfi -i " +
        ShellQuoted("sine=f=440:beep_factor=3:d=" + std::to_string(recipe.seconds) +
                    ":r=" + std::to_string(recipe.sampleRate)) +
        " -ac " + std::to_string(recipe.channels) + " -c:a " +
        pcmCodec(recipe.bitsPerSample, false) + " ";
    if (toneSource && !run(tone + ShellQuoted(source.string())))
        return {};

    std::string command;
    std::string tags;
    const std::string in = ShellQuoted(source.string());
    const std::string out = ShellQuoted(target.string());
    switch (recipe.format) {
    case AudioFormat::Flac:
        for (const auto& [key, value] : recipe.tags)
            tags += " -T " + ShellQuoted(vorbisKey(key) + "=" + value);
        command = "flac -s -f" + tags + " -o " + out + " " + in;
        break;
    case AudioFormat::OggVorbis:
        for (const auto& [key, value] : recipe.tags)
            tags += " -c " + ShellQuoted(vorbisKey(key) + "=" + value);
        command = "oggenc -Q" + tags + " -o " + out + " " + in;
        break;
    case AudioFormat::Opus:
        for (const auto& [key, value] : recipe.tags)
            tags += " --comment " + ShellQuoted(vorbisKey(key) + "=" + value);
        command = "opusenc --quiet" + tags + " " + in + " " + out;
        break;
    case AudioFormat::WavPack:
        for (const auto& [key, value] : recipe.tags)
            tags += " -w " + ShellQuoted(apeKey(key) + "=" + value);
        command = "wavpack -q -y" + tags + " " + in + " -o " + out;
        break;
    default: {
        for (const auto& [key, value] : recipe.tags)
            tags += " -metadata " + ShellQuoted(ffmpegKey(key) + "=" + value);
        std::string codec;
        switch (recipe.format) {
        case AudioFormat::Mpeg:
            codec = "-c:a libmp3lame -b:a 128k -id3v2_version 3";
            break;
        case AudioFormat::Aac:
            codec = "-c:a aac -b:a 128k";
            break;
        case AudioFormat::Alac:
            codec = "-c:a alac";
            break;
        case AudioFormat::Wav:
            codec = "-c:a " + pcmCodec(recipe.bitsPerSample, false);
            break;
        case AudioFormat::Aiff:
            codec = "-c:a " + pcmCodec(recipe.bitsPerSample, true) + " -write_id3v2 1";
            break;
        case AudioFormat::Wma:
            codec = "-c:a wmav2 -b:a 128k";
            break;
        default:
            return {};
        }
        command = ffmpeg + "-i " + in + " " + codec + tags + " " + out;
    }
    }
    const bool made = run(command);
    if (toneSource)
        std::filesystem::remove(source);
    return made && std::filesystem::exists(target) ? target : std::filesystem::path();
}

std::string DecodedAudioMd5(const std::filesystem::path& file) {
    const std::string command = "ffmpeg -nostdin -v error -i " + ShellQuoted(file.string()) +
                                " -map 0:a -f md5 - 2>/dev/null";
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    std::array<char, 256> buffer{};
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe.get()))
        output += buffer.data();
    return output;
}

} // namespace tunebay::test
