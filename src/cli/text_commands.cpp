// The text rules on their own: text correct, capitalize, function, safe, unix, html, thousands,
// similarity. Each prints its result and a newline.
#include "cli_context.h"

#include "text/capitalize_exceptions.h"
#include "text/field_function.h"
#include "text/string_similarity.h"
#include "text/text_rules.h"

#include <cstdio>
#include <functional>
#include <ostream>

namespace tunebay::cli {

namespace {

// The parent of the text subcommands, made by whichever registers first.
CLI::App* textGroup(CLI::App& app) {
    for (CLI::App* sub : app.get_subcommands([](CLI::App* s) { return s->get_name() == "text"; }))
        return sub;
    CLI::App* text = app.add_subcommand("text", "Apply one of the text rules to a text");
    text->require_subcommand(1);
    return text;
}

// A rule that turns one text into another in place.
class InPlaceTextCommand : public Command {
public:
    InPlaceTextCommand(std::string name, std::string help, std::function<void(std::string&)> rule)
        : m_name(std::move(name)), m_help(std::move(help)), m_rule(std::move(rule)) {}

    void Register(CLI::App& app) override {
        parser = textGroup(app)->add_subcommand(m_name, m_help);
        parser->add_option("TEXT", m_text)->required();
    }

    int Run(CliContext& context) override {
        m_rule(m_text);
        context.out << m_text << "\n";
        return kExitSuccess;
    }

private:
    std::string m_name;
    std::string m_help;
    std::function<void(std::string&)> m_rule;
    std::string m_text;
};

class CorrectCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = textGroup(app)->add_subcommand("correct",
                                                "Correct a name (spacing, track numbers, escapes)");
        parser->add_flag("--basic", m_basic, "Only the basic rules, as for groups and packages");
        parser->add_option("TEXT", m_text)->required();
    }

    int Run(CliContext& context) override {
        CorrectName(m_text, !m_basic);
        context.out << m_text << "\n";
        return kExitSuccess;
    }

private:
    bool m_basic = false;
    std::string m_text;
};

class CapitalizeCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = textGroup(app)->add_subcommand("capitalize", "Capitalise a name");
        parser
            ->add_option("--mode", m_mode,
                         "0 First Letter Uppercase, 1 ALL UPPERCASE, 2 all lowercase "
                         "(default: the ToolsCapitalizeType setting)")
            ->check(CLI::Range(0, 2));
        parser
            ->add_option("--exceptions", m_exceptions,
                         "Exception list to use instead of the program's capitalize.txt")
            ->type_name(kFileValue);
        parser->add_option("TEXT", m_text)->required();
    }

    int Run(CliContext& context) override {
        const CapitalizeExceptionsLoad load =
            m_exceptions.empty() ? LoadCapitalizeExceptions(context.settings.AppDirectory)
                                 : LoadCapitalizeExceptionsFile(m_exceptions);
        if (!load.errorMessage.empty())
            context.err << load.errorMessage << "\n";
        if (!m_exceptions.empty() && !load.list)
            context.err << "Cannot read " << m_exceptions << "; capitalising without exceptions.\n";
        const int mode = m_mode >= 0 ? m_mode : context.settings.ToolsCapitalizeType;
        CapitalizeName(m_text, mode, load.list ? &*load.list : nullptr);
        context.out << m_text << "\n";
        return load.errorMessage.empty() ? kExitSuccess : kExitReportedFailures;
    }

private:
    int m_mode = -1;
    std::string m_exceptions;
    std::string m_text;
};

} // namespace

std::string FieldFunctionHelpText() {
    return "Functions (FUNCTION of text function; the --set-title, --set-group, --set-package\n"
           "and --set-comment texts of tools are applied as functions when they are one):\n"
           "  Replace(\"old\", \"new\");     every \"old\" becomes \"new\"\n"
           "  Insert(POSITION, \"text\");  \"text\" goes in before character POSITION\n"
           "  Delete(POSITION, COUNT);   COUNT characters go from character POSITION\n"
           "POSITION and COUNT are a number, END or END - n; characters count from 0.\n"
           "A quote in a quoted text is doubled (\"\"); a quoted text has at most 99\n"
           "characters, a function at most 255. Keywords are case-sensitive, spaces may\n"
           "stand between all parts, and only spaces may follow the closing ';'.\n"
           "An invalid function is named with the character where it fails.\n"
           "Example: text function 'Insert(END, \"!\");' \"Waterloo\" prints Waterloo!";
}

namespace {

class FunctionCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = textGroup(app)->add_subcommand(
            "function", "Check a Replace/Insert/Delete function, or apply it to a text");
        parser->add_option("FUNCTION", m_function, "The function (syntax below)")->required();
        parser->add_option("TEXT", m_text, "The text to apply it to");
        parser->footer(FieldFunctionHelpText());
    }

    int Run(CliContext& context) override {
        const bool hasText = parser->count("TEXT") > 0;
        if (!ApplyFieldFunction(hasText ? &m_text : nullptr, m_function, !hasText)) {
            context.err << "invalid function " << FieldFunctionFault(m_function) << "\n";
            return kExitReportedFailures;
        }
        context.out << (hasText ? m_text : m_function) << "\n";
        return kExitSuccess;
    }

private:
    std::string m_function;
    std::string m_text;
};

class ThousandsCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser =
            textGroup(app)->add_subcommand("thousands", "Write a number with thousands separators");
        parser->add_option("NUMBER", m_number)->required();
    }

    int Run(CliContext& context) override {
        context.out << FormatThousands(m_number) << "\n";
        return kExitSuccess;
    }

private:
    double m_number = 0;
};

class SimilarityCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = textGroup(app)->add_subcommand("similarity", "Similarity ratio of two texts");
        parser->add_option("A", m_a)->required();
        parser->add_option("B", m_b)->required();
    }

    int Run(CliContext& context) override {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.4f", StringSimilarity(m_a, m_b, 0.0));
        context.out << buffer << "\n";
        return kExitSuccess;
    }

private:
    std::string m_a;
    std::string m_b;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeTextCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<CorrectCommand>());
    commands.push_back(std::make_unique<CapitalizeCommand>());
    commands.push_back(std::make_unique<FunctionCommand>());
    commands.push_back(std::make_unique<InPlaceTextCommand>(
        "safe", "Make a name safe as a file name", MakeFileNameSafe));
    commands.push_back(std::make_unique<InPlaceTextCommand>(
        "unix", "Encode a name as a Unix-style file name", EncodeUnixFileName));
    commands.push_back(std::make_unique<InPlaceTextCommand>(
        "html", "Encode a text with HTML character references", EncodeHtmlCharRefs));
    commands.push_back(std::make_unique<ThousandsCommand>());
    commands.push_back(std::make_unique<SimilarityCommand>());
    return commands;
}

} // namespace tunebay::cli
