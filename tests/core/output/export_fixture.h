#pragma once

#include "output/export_options.h"
#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"
#include "support/temp_dir.h"

#include <string>

namespace tunebay::test {

// Genre ids of the catalogue template.
inline constexpr int kGenrePop = 13;
inline constexpr int kGenreRnB = 14;
inline constexpr int kGenreRock = 17;
inline constexpr int kGenreNone = 255;

// A fresh catalogue to export from and a folder to export into.
struct ExportShelf {
    TempCatalogue catalogue;
    TempDir out;
    CatalogueBuilder builder{catalogue.connection};

    AddedItem add(const ItemFacts& facts) { return builder.add(facts); }

    // An item whose group has an empty name (the builder, like the import, never makes one).
    AddedItem addWithoutGroupName(ItemFacts facts) {
        facts.group = "Nameless " + facts.title;
        const AddedItem added = builder.add(facts);
        catalogue.connection.Execute("UPDATE tblGroup SET sName='' WHERE lID=" +
                                     std::to_string(added.groupId));
        return added;
    }

    // Options over the whole catalogue: title "List", index and icons on, one item per row,
    // sorted by group and title, local links, group and title.
    ExportOptions options(const std::string& fileName) const {
        ExportOptions options;
        options.path = out.file(fileName).string();
        options.title = "List";
        options.subdivide = 0;
        options.showIcons = 1;
        options.showIndex = 1;
        options.itemsPerRow = 1;
        options.orderType = 7;
        options.linkType = 1;
        options.columnSet = 1;
        options.selection = ScopeSelection(ExplorerScope{}, 0);
        return options;
    }

    std::string read(const std::string& fileName) const { return readFile(out.file(fileName)); }
};

// The text with each line feed written as carriage return and line feed, as export files are.
inline std::string Crlf(const std::string& text) {
    std::string result;
    for (const char c : text) {
        if (c == '\n')
            result += '\r';
        result += c;
    }
    return result;
}

// A condition that fails while the rows are read (an integer overflow raised by the engine at
// the item titled "Broken"), for the read-error path of the exporters. Use it with a sort code
// that adds no ORDER BY, so that the rows before the broken one are read first.
inline constexpr const char* kFailingCondition =
    "abs(CASE WHEN tblMedia.sName='Broken' THEN -9223372036854775807 - 1 ELSE 1 END) > 0";

} // namespace tunebay::test
