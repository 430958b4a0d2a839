#include "cli_context.h"

#include "covers/cover_art.h"
#include "covers/item_cover.h"
#include "edit/item_properties.h"
#include "files/file_rewrite.h"
#include "store/catalogue_error.h"

#include <ostream>

namespace tunebay::cli {

namespace {

class CoverCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "cover", "Show, extract, embed or remove the cover of one item (embedded front "
                     "picture, else cover/folder/front picture beside the file)");
        parser->add_option("CATALOGUE", m_path, kCatalogueHelp)->required();
        parser->add_option("ITEM", m_item, "Item id")->required();
        auto* extract = parser->add_option("--extract", m_extract,
                                           "Write the cover, as it is stored, to a new FILE");
        auto* set = parser->add_option("--set", m_set,
                                       "Embed IMAGE (JPEG, PNG, WebP, GIF) as the front cover");
        auto* remove = parser->add_flag("--remove", m_remove, "Remove the embedded front cover");
        extract->excludes(set)->excludes(remove);
        set->excludes(remove);
    }

    int Run(CliContext& context) override {
        std::optional<std::string> image;
        if (!m_set.empty()) {
            std::string reason;
            image = ReadImageFile(m_set, reason);
            if (!image) {
                context.err << "Couldn't read the picture (" << m_set << ": " << reason << ")\n";
                return kExitReportedFailures;
            }
        }
        if (!context.OpenCatalogue(m_path))
            return kExitCatalogueNotOpened;
        try {
            const std::optional<ItemProperties> item =
                LoadItemProperties(context.connection, m_item);
            if (!item) {
                context.err << "No item " << m_item << " in the catalogue.\n";
                return kExitReportedFailures;
            }
            const std::string file = item->LocatedPath();
            if (image || m_remove)
                return change(context, file, image);
            const CoverArt cover = ReadCover(file);
            if (cover.source == CoverSource::None) {
                context.err << "No cover (" << file << ")\n";
                return kExitReportedFailures;
            }
            if (m_extract.empty()) {
                context.out << (cover.source == CoverSource::Embedded ? "embedded"
                                                                      : cover.folderFile)
                            << "\t" << cover.mimeType << "\t" << cover.bytes.size() << "\n";
                return kExitSuccess;
            }
            if (const RewriteResult written = WriteNewFile(m_extract, cover.bytes); !written.ok) {
                context.err << "Couldn't write the cover (" << m_extract << ": " << written.reason
                            << ")\n";
                return kExitReportedFailures;
            }
        } catch (const CatalogueError& error) {
            context.err << error.what() << "\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    int change(CliContext& context, const std::string& file,
               const std::optional<std::string>& image) {
        const RewriteResult written = SetItemCover(context.connection, file, image);
        if (!written.ok) {
            context.err << "The cover was not " << (image ? "embedded" : "removed") << " (" << file
                        << ": " << written.reason << ")\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

    std::string m_path;
    int m_item = 0;
    std::string m_extract;
    std::string m_set;
    bool m_remove = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeCoverCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<CoverCommand>());
    return commands;
}

} // namespace tunebay::cli
