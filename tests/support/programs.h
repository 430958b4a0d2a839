#pragma once

#include <string>
#include <vector>

// Other programs of the system (encoders, reference tools), run to their end for tests and
// benchmarks.
namespace tunebay::test {

struct ProgramRun {
    int status = -1; // the exit status; 127 when the program could not be started
    std::string out; // what it wrote to standard output (standard error is dropped)
};

// Runs `arguments[0]`, found on the path, with no input.
ProgramRun runProgram(const std::vector<std::string>& arguments);

// Whether `program` is an executable file in one of the path's folders.
bool onPath(const std::string& program);

// A varied, never silent recording of `seconds` seconds, 44.1 kHz stereo, as a WAV file made by
// ffmpeg: a gliding tone, a tune that steps every half second and pink noise, all picked by
// `seed`, so that every part of it (and every seed) fingerprints differently. False when ffmpeg
// failed.
bool makeRecording(const std::string& wavPath, int seed, int seconds);

} // namespace tunebay::test
