#include "cli_reference.h"
#include "cli_context.h"

#include "app/product.h"
#include "browse/search_types.h"
#include "browse/sort_order.h"

#include <fstream>
#include <ostream>
#include <regex>
#include <sstream>
#include <string_view>
#include <vector>

namespace tunebay::cli {

namespace {

// What the shells may offer for a value.
enum class ValueKind { kFree, kList, kCatalogue, kFile, kFolder };

struct ValueInfo {
    ValueKind kind = ValueKind::kFree;
    std::vector<std::string> words; // kList
};

struct OptionInfo {
    std::vector<std::string> names; // "-o", "--output"
    std::string valueText;          // "" for a flag
    std::string description;
    bool repeatable = false;
    ValueInfo value;
};

struct PositionalInfo {
    std::string name;
    std::string description;
    bool required = false;
    bool many = false;
    ValueInfo value;
};

struct CommandInfo {
    std::vector<std::string> path; // empty for the program itself
    std::string description;
    std::string footer;
    std::vector<OptionInfo> options;
    std::vector<PositionalInfo> positionals;
    std::vector<CommandInfo> commands;
};

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        if (!part.empty())
            parts.push_back(part);
    return parts;
}

std::vector<std::string> sortCodes() {
    std::vector<std::string> codes{"0"};
    for (int code = 1; code < 64; ++code)
        if (IsItemSortCode(code)) {
            codes.push_back(std::to_string(code));
            codes.push_back(std::to_string(-code));
        }
    return codes;
}

std::vector<std::string> searchTypes() {
    std::vector<std::string> labels;
    for (const SearchType& type : kSearchTypes)
        labels.emplace_back(type.label);
    return labels;
}

// The value of an option or positional as the parser declares it: its checks ("TEXT:{a,b}",
// "INT in [0 - 3]") give the choices, its type name what it is ("INT", "FILE", "PATH", "TEXT").
// The sort codes, search types and setting names are choices the core lists.
ValueInfo valueOf(const CLI::Option& option, const std::string& name) {
    ValueInfo value;
    const std::string typeName = option.get_type_name();
    const std::vector<std::string> parts = split(typeName, ':');
    const std::string type = parts.empty() ? std::string() : parts.front();
    std::smatch match;
    static const std::regex members(R"(\{([^}]*)\})");
    static const std::regex range(R"(\[(-?\d+) - (-?\d+)\])");
    value.kind = ValueKind::kList;
    if (name == "--sort") {
        value.words = sortCodes();
    } else if (name == "--search" || name == "--search2") {
        value.words = searchTypes();
    } else if (name == "KEY") { // of settings
        for (const std::string_view setting : CAppSettings::Names())
            value.words.emplace_back(setting);
    } else if (std::regex_search(typeName, match, members)) {
        value.words = split(match[1].str(), ',');
    } else if (std::regex_search(typeName, match, range) &&
               std::stoi(match[2].str()) - std::stoi(match[1].str()) < 16) {
        for (int i = std::stoi(match[1].str()); i <= std::stoi(match[2].str()); ++i)
            value.words.push_back(std::to_string(i));
    } else if (type == kCatalogueValue) {
        value.kind = ValueKind::kCatalogue;
    } else if (type == kFolderValue) {
        value.kind = ValueKind::kFolder;
    } else if (type == kFileValue || type == kPathValue) {
        value.kind = ValueKind::kFile; // offers folders too, to go down into
    } else {
        value.kind = ValueKind::kFree; // a number or a text: nothing to offer
    }
    return value;
}

// The value text shown in the manual: the option's own, else the type without its checks.
std::string valueTextOf(const CLI::Option& option, const ValueInfo& value) {
    if (!option.get_option_text().empty())
        return option.get_option_text();
    if (value.kind == ValueKind::kList && !value.words.empty()) {
        std::string joined;
        for (const std::string& word : value.words)
            joined += (joined.empty() ? "" : "|") + word;
        return joined;
    }
    return split(option.get_type_name(), ':').empty() ? "VALUE"
                                                      : split(option.get_type_name(), ':')[0];
}

CommandInfo describe(const CLI::App& app, std::vector<std::string> path) {
    CommandInfo info;
    info.path = path;
    info.description = app.get_description();
    info.footer = app.get_footer();
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_group().empty())
            continue; // hidden
        if (option->get_positional() && !option->nonpositional()) {
            PositionalInfo positional;
            positional.name = option->get_name(true);
            positional.description = option->get_description();
            positional.required = option->get_required();
            positional.many = option->get_items_expected_max() > 1;
            positional.value = valueOf(*option, positional.name);
            info.positionals.push_back(positional);
            continue;
        }
        OptionInfo entry;
        for (const std::string& name : option->get_snames())
            entry.names.push_back("-" + name);
        for (const std::string& name : option->get_lnames())
            entry.names.push_back("--" + name);
        entry.description = option->get_description();
        entry.repeatable = option->get_items_expected_max() > 1;
        if (option->get_expected_max() != 0 && option->get_type_size() != 0) {
            entry.value = valueOf(*option, entry.names.back());
            entry.valueText = valueTextOf(*option, entry.value);
        }
        info.options.push_back(entry);
    }
    for (const CLI::App* command :
         app.get_subcommands([](const CLI::App* sub) { return !sub->get_group().empty(); })) {
        std::vector<std::string> sub = path;
        sub.push_back(command->get_name());
        info.commands.push_back(describe(*command, sub));
    }
    return info;
}

std::string joined(const std::vector<std::string>& words, const std::string& separator = " ") {
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : separator) + word;
    return text;
}

// --- manual page --------------------------------------------------------------------------

std::string roff(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\e";
        else if (c == '-')
            escaped += "\\-";
        else
            escaped += c;
    }
    if (!escaped.empty() && (escaped[0] == '.' || escaped[0] == '\''))
        escaped.insert(0, "\\&");
    return escaped;
}

void writeOptions(std::ostream& out, const CommandInfo& command) {
    for (const PositionalInfo& positional : command.positionals)
        out << ".TP\n\\fI" << roff(positional.name) << "\\fR" << (positional.many ? "..." : "")
            << "\n"
            << roff(positional.description) << "\n";
    for (const OptionInfo& option : command.options) {
        out << ".TP\n";
        std::string names;
        for (const std::string& name : option.names)
            names += (names.empty() ? "" : ", ") + ("\\fB" + roff(name) + "\\fR");
        out << names;
        if (!option.valueText.empty())
            out << " \\fI" << roff(option.valueText) << "\\fR";
        out << "\n" << roff(option.description) << "\n";
    }
}

std::string usage(const CommandInfo& command) {
    std::string text = "\\fBtunebay\\-cli " + roff(joined(command.path)) + "\\fR";
    if (!command.options.empty())
        text += " [\\fIOPTIONS\\fR]";
    if (!command.commands.empty())
        text += " \\fICOMMAND\\fR";
    for (const PositionalInfo& positional : command.positionals) {
        std::string name = "\\fI" + roff(positional.name) + "\\fR" + (positional.many ? "..." : "");
        text += positional.required ? " " + name : " [" + name + "]";
    }
    return text;
}

void writeCommands(std::ostream& out, const CommandInfo& command,
                   std::vector<std::string>& footers) {
    for (const CommandInfo& sub : command.commands) {
        out << ".SS \"" << roff(joined(sub.path)) << "\"\n"
            << usage(sub) << "\n.PP\n"
            << roff(sub.description) << "\n";
        writeOptions(out, sub);
        if (!sub.footer.empty() &&
            std::find(footers.begin(), footers.end(), sub.footer) == footers.end())
            footers.push_back(sub.footer);
        writeCommands(out, sub, footers);
    }
}

// --- bash -------------------------------------------------------------------------------------

// A word list for compgen -W: single-quoted, with the characters it would expand escaped.
std::string bashWords(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty())
            text += ' ';
        for (const char c : word) {
            if (c == '*' || c == '?' || c == '[' || c == '\\' || c == '$')
                text += '\\';
            if (c == '\'')
                text += "'\\''";
            else
                text += c;
        }
    }
    return "'" + text + "'";
}

std::string bashValue(const ValueInfo& value) {
    switch (value.kind) {
    case ValueKind::kList:
        return "mapfile -t COMPREPLY < <(compgen -W " + bashWords(value.words) + " -- \"$cur\")";
    case ValueKind::kCatalogue:
        return "compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -X "
               "'!*.tbf' -- \"$cur\"; compgen -d -- \"$cur\")";
    case ValueKind::kFile:
        return "compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")";
    case ValueKind::kFolder:
        return "compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")";
    case ValueKind::kFree:
        break;
    }
    return "COMPREPLY=()";
}

void writeBashLevels(std::ostream& out, const CommandInfo& command) {
    std::vector<std::string> names;
    std::vector<std::string> valued;
    for (const OptionInfo& option : command.options)
        for (const std::string& name : option.names) {
            names.push_back(name);
            if (!option.valueText.empty())
                valued.push_back(name);
        }
    std::vector<std::string> subs;
    for (const CommandInfo& sub : command.commands)
        subs.push_back(sub.path.back());
    out << "    \"" << joined(command.path) << "\")\n"
        << "        commands=" << bashWords(subs) << "\n"
        << "        options=" << bashWords(names) << "\n"
        << "        valued=" << bashWords(valued) << "\n"
        << "        positionals=" << command.positionals.size() << "\n"
        << "        many=" << (!command.positionals.empty() && command.positionals.back().many)
        << " ;;\n";
    for (const CommandInfo& sub : command.commands)
        writeBashLevels(out, sub);
}

// The case entries of option values ("path|--option") or of positionals ("path|#index").
void writeBashValues(std::ostream& out, const CommandInfo& command, bool positionals) {
    const std::string path = joined(command.path);
    for (const OptionInfo& option : positionals ? std::vector<OptionInfo>{} : command.options) {
        if (option.valueText.empty())
            continue;
        for (const std::string& name : option.names)
            out << "    \"" << path << "|" << name << "\") " << bashValue(option.value) << " ;;\n";
    }
    for (std::size_t i = 0; positionals && i < command.positionals.size(); ++i)
        out << "    \"" << path << "|#" << i << "\") " << bashValue(command.positionals[i].value)
            << "; return ;;\n";
    for (const CommandInfo& sub : command.commands)
        writeBashValues(out, sub, positionals);
}

// --- zsh --------------------------------------------------------------------------------------

std::string zshQuoted(std::string_view text) {
    std::string quoted;
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else if (c == '[' || c == ']')
            quoted += std::string("\\") + c;
        else
            quoted += c;
    }
    return quoted;
}

std::string zshMessage(std::string_view text) {
    std::string message;
    for (const char c : text)
        message += (std::isalnum(static_cast<unsigned char>(c)) || c == ',' || c == '=' ||
                    c == '.' || c == '-')
                       ? c
                       : ' ';
    return message;
}

std::string zshAction(const ValueInfo& value) {
    switch (value.kind) {
    case ValueKind::kList: {
        std::string words;
        for (const std::string& word : value.words) {
            words += words.empty() ? "" : " ";
            for (const char c : word) {
                if (c == '*' || c == '(' || c == ')' || c == ' ' || c == '\\' || c == ':')
                    words += '\\';
                words += c;
            }
        }
        return "(" + zshQuoted(words) + ")";
    }
    case ValueKind::kCatalogue:
        return "_files -g \"*.tbf\"";
    case ValueKind::kFile:
        return "_files";
    case ValueKind::kFolder:
        return "_files -/";
    case ValueKind::kFree:
        break;
    }
    return " ";
}

std::string zshFunction(const CommandInfo& command) {
    std::string name = "_tunebay_cli";
    for (std::string word : command.path) {
        for (char& c : word)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        name += "_" + word;
    }
    return name;
}

void writeZshFunctions(std::ostream& out, const CommandInfo& command) {
    for (const CommandInfo& sub : command.commands)
        writeZshFunctions(out, sub);
    out << zshFunction(command) << "() {\n"
        << "    local curcontext=\"$curcontext\" state line\n"
        << "    _arguments -C -S";
    for (const OptionInfo& option : command.options)
        for (const std::string& name : option.names) {
            // "--name=" takes the value as the next word or after '=' in the same one.
            const bool equals = !option.valueText.empty() && name.starts_with("--");
            out << " \\\n        '" << (option.repeatable ? "*" : "") << name << (equals ? "=" : "")
                << "[" << zshQuoted(option.description) << "]";
            if (!option.valueText.empty())
                out << ":" << zshMessage(option.valueText) << ":" << zshAction(option.value);
            out << "'";
        }
    for (std::size_t i = 0; i < command.positionals.size(); ++i) {
        const PositionalInfo& positional = command.positionals[i];
        out << " \\\n        '"
            << (positional.many && i + 1 == command.positionals.size() ? std::string("*")
                                                                       : std::to_string(i + 1))
            << ":" << zshMessage(positional.name) << ":" << zshAction(positional.value) << "'";
    }
    if (!command.commands.empty())
        out << " \\\n        '1: :->command' \\\n        '*:: :->argument'";
    out << "\n";
    if (!command.commands.empty()) {
        out << "    case $state in\n    command)\n        local -a commands\n        commands=(";
        for (const CommandInfo& sub : command.commands)
            out << "\n            '" << zshQuoted(sub.path.back()) << ":"
                << zshQuoted(sub.description) << "'";
        out << "\n        )\n        _describe -t commands command commands ;;\n"
            << "    argument)\n        case $words[1] in\n";
        for (const CommandInfo& sub : command.commands)
            out << "        " << sub.path.back() << ") " << zshFunction(sub) << " ;;\n";
        out << "        esac ;;\n    esac\n";
    }
    out << "}\n\n";
}

bool writeTo(const std::string& text, int argc, char** argv, int fileIndex, std::ostream& out,
             std::ostream& err) {
    if (fileIndex >= argc) {
        out << text;
        return true;
    }
    std::ofstream file(argv[fileIndex], std::ios::binary);
    file << text;
    file.close();
    if (!file) {
        err << "Cannot write " << argv[fileIndex] << "\n";
        return false;
    }
    return true;
}

} // namespace

std::string ManualPage(const CLI::App& app) {
    const CommandInfo root = describe(app, {});
    std::ostringstream out;
    out << ".TH TUNEBAY\\-CLI 1 \"" << TUNEBAY_RELEASE_DATE << "\" \"" << roff(kProductVersionText)
        << "\" \"User Commands\"\n"
        << ".SH NAME\ntunebay\\-cli \\- command\\-line catalogue tool for MP3 and other media "
           "files\n"
        << ".SH SYNOPSIS\n\\fBtunebay\\-cli\\fR [\\fIOPTIONS\\fR] \\fICOMMAND\\fR "
           "[\\fIARGUMENTS\\fR]\n"
        << ".SH DESCRIPTION\n"
        << "\\fBtunebay\\-cli\\fR works on Tunebay catalogues (SQLite files, \\fI.tbf\\fR) "
           "with the same core as the desktop window \\fBtunebay\\fR(1): it creates and imports, "
           "lists, searches, changes, exports and reports. Every command also prints its own "
           "help with \\fB\\-\\-help\\fR.\n"
        << ".SH OPTIONS\n";
    writeOptions(out, root);
    out << ".SH COMMANDS\n";
    std::vector<std::string> footers;
    writeCommands(out, root, footers);
    // The function syntax has a section of its own; every other footer is about searches.
    const std::string functions = FieldFunctionHelpText();
    std::erase(footers, functions);
    const auto writeBlocks = [&out](const char* heading, const std::vector<std::string>& blocks) {
        if (blocks.empty())
            return;
        out << ".SH " << heading << "\n";
        for (const std::string& block : blocks) {
            // A paragraph break between the blocks only: one right after a heading is void.
            out << (&block == &blocks.front() ? "" : ".PP\n") << ".nf\n";
            for (const std::string& line : split(block, '\n'))
                out << "\\&" << roff(line) << "\n";
            out << ".fi\n";
        }
    };
    writeBlocks("SEARCHES", footers);
    writeBlocks("FUNCTIONS", {functions});
    out << ".SH SCRIPTS\n"
        << "\\fB\\-\\-json\\fR (\\fBlist\\fR, \\fBshow\\fR, \\fBinfo\\fR, \\fBstats\\fR, "
           "\\fBtree\\fR, \\fBproperties\\fR, \\fBdetails\\fR, \\fBduplicates\\fR, "
           "\\fBdirectories\\fR) writes one JSON object (\\fBlist\\fR: an array of objects) "
           "whose keys are the labels of the text output. A text that is not valid UTF\\-8, such "
           "as a file name written in another encoding, keeps each stray byte \\fIBB\\fR as the "
           "escape \\fB\\\\udcBB\\fR (U+DC80 to U+DCFF, which no valid text holds), so the "
           "bytes can be had back; Python reads them with \\fBerrors=\"surrogateescape\"\\fR.\n"
        << ".PP\n"
        << "\\fB\\-\\-dry\\-run\\fR (\\fBtools\\fR, \\fBcopy\\-files\\fR, "
           "\\fBmove\\-files\\fR, \\fBdelete\\fR) prints each change the command would make, "
           "one line each, in the words \\fB\\-\\-verbose\\fR uses for the changes a real run "
           "makes, and changes no file, no catalogue row and no folder.\n";
    out << ".SH EXIT STATUS\n"
        << ".TP\n0\nSuccess.\n"
        << ".TP\n1\nThe command ran but reported failures.\n"
        << ".TP\n2\nUsage error: an unknown command or option, a settings file that does not "
           "exist.\n"
        << ".TP\n3\nThe catalogue could not be opened.\n"
        << ".TP\n130\nCtrl\\-C, SIGTERM or SIGHUP stopped a long command (import, update, tools, "
           "identify, copy\\-files, move\\-files, delete) after the current file; a second "
           "signal ends it at once.\n"
        << ".SH ENVIRONMENT\n.TP\n\\fB" << roff(kCatalogueVariable) << "\\fR\n"
        << "The catalogue of a command whose \\fICATALOGUE\\fR is left out: unless the first "
           "argument after the command is an existing file or a \\fIpostgresql:\\fR address, "
           "this catalogue comes first (\\fBtunebay\\-cli show 12\\fR shows item 12 of it). "
           "\\fBnew\\fR always names its catalogue.\n"
        << ".SH FILES\n.TP\n\\fI~/.config/" << kCompanyName << "/" << kProductName
        << ".conf\\fR\nThe user's settings; read by every command, written only by "
           "\\fBsettings\\fR \\fIKEY VALUE\\fR.\n"
        << ".SH SEE ALSO\n\\fBtunebay\\fR(1)\n";
    return out.str();
}

std::string BashCompletion(const CLI::App& app) {
    const CommandInfo root = describe(app, {});
    std::ostringstream out;
    out << "# bash completion for tunebay-cli; written by `tunebay-cli --completion bash`.\n"
        << "_tunebay_cli_level() {\n    case \"$1\" in\n";
    writeBashLevels(out, root);
    out << "    esac\n}\n\n"
        << "_tunebay_cli() {\n"
        << "    local cur=${COMP_WORDS[COMP_CWORD]} prev path=\"\" word position=0 i\n"
        << "    local commands options valued positionals many\n"
        // Whole words as typed: bash splits at ':', '=' and '|', which the values contain.
        << "    local line=${COMP_LINE:0:COMP_POINT}\n    local -a words\n"
        << "    read -ra words <<<\"$line\"\n"
        << "    [[ $line == *[[:space:]] ]] && words+=(\"\")\n"
        << "    prev=${words[${#words[@]}-2]}\n"
        // --option=value: the value is completed. Where '=' breaks words bash replaces only what
        // follows it; otherwise the whole word, option included.
        << "    local prefix=\"\"\n"
        << "    if [[ ${words[${#words[@]}-1]} == --*=* ]]; then\n"
        << "        cur=${words[${#words[@]}-1]}; prev=${cur%%=*}; cur=${cur#*=}\n"
        << "        [[ $COMP_WORDBREAKS == *=* ]] || prefix=\"$prev=\"\n"
        << "    fi\n"
        << "    _tunebay_cli_level \"\"\n"
        << "    for ((i = 1; i < ${#words[@]} - 1; i++)); do\n"
        << "        word=${words[i]}\n"
        << "        if [[ \" $valued \" == *\" $word \"* ]]; then ((i++)); continue; fi\n"
        << "        [[ $word == -* ]] && continue\n"
        << "        if [[ -n $commands && \" $commands \" == *\" $word \"* ]]; then\n"
        << "            path=${path:+$path }$word; position=0; _tunebay_cli_level \"$path\"\n"
        << "            continue\n"
        << "        fi\n"
        << "        ((position++))\n"
        << "    done\n"
        << "    if [[ \" $valued \" == *\" $prev \"* ]]; then\n"
        << "        COMPREPLY=()\n"
        << "        case \"$path|$prev\" in\n";
    writeBashValues(out, root, false);
    out << "        esac\n"
        << "        [[ -n $prefix ]] && COMPREPLY=(\"${COMPREPLY[@]/#/$prefix}\")\n"
        << "        return\n    fi\n"
        << "    if [[ $cur == -* ]]; then\n"
        << "        mapfile -t COMPREPLY < <(compgen -W \"$options\" -- \"$cur\"); return\n    fi\n"
        << "    if [[ -n $commands ]]; then\n"
        << "        mapfile -t COMPREPLY < <(compgen -W \"$commands\" -- \"$cur\"); return\n    "
           "fi\n"
        << "    ((position >= positionals && many)) && position=$((positionals - 1))\n"
        << "    case \"$path|#$position\" in\n";
    writeBashValues(out, root, true);
    out << "    esac\n    COMPREPLY=()\n}\n"
        << "complete -F _tunebay_cli tunebay-cli\n";
    return out.str();
}

std::string ZshCompletion(const CLI::App& app) {
    const CommandInfo root = describe(app, {});
    std::ostringstream out;
    out << "#compdef tunebay-cli\n"
        << "# zsh completion for tunebay-cli; written by `tunebay-cli --completion zsh`.\n\n";
    writeZshFunctions(out, root);
    out << "_tunebay_cli \"$@\"\n";
    return out.str();
}

int PrintReference(const CLI::App& app, int argc, char** argv, std::ostream& out,
                   std::ostream& err) {
    if (argc < 2)
        return -1;
    const std::string request = argv[1];
    if (request == "--manual-page")
        return writeTo(ManualPage(app), argc, argv, 2, out, err) ? 0 : 1;
    if (request != "--completion")
        return -1;
    const std::string shell = argc > 2 ? argv[2] : "";
    if (shell == "bash")
        return writeTo(BashCompletion(app), argc, argv, 3, out, err) ? 0 : 1;
    if (shell == "zsh")
        return writeTo(ZshCompletion(app), argc, argv, 3, out, err) ? 0 : 1;
    err << "--completion needs a shell: bash or zsh\n";
    return 2;
}

} // namespace tunebay::cli
