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

} // namespace tunebay::test
