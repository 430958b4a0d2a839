#pragma once

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>

namespace tunebay::cli {

// The manual page and the shell completions, written from the parser itself so that they list
// exactly the commands and options `--help` shows.
std::string ManualPage(const CLI::App& app);
std::string BashCompletion(const CLI::App& app);
std::string ZshCompletion(const CLI::App& app);

// Handles the build's own requests `--manual-page [FILE]` and `--completion bash|zsh [FILE]`
// (kept out of --help: they serve packaging, not users). Returns the exit status, or -1 when the
// command line is no such request.
int PrintReference(const CLI::App& app, int argc, char** argv, std::ostream& out,
                   std::ostream& err);

} // namespace tunebay::cli
