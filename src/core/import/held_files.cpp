#include "import/held_files.h"

#include "store/directories.h"
#include "store/network_mounts.h"
#include "store/row_batches.h"
#include "text/text_case.h"

#include <unordered_map>
#include <vector>

namespace tunebay {

std::map<std::pair<std::size_t, std::string>, HeldFile>
FindHeldFiles(CCatalogueConnection& connection, std::span<const ImportFolder> folders,
              std::span<const std::string_view> fileNames) {
    std::map<std::pair<std::size_t, std::string>, HeldFile> held;
    if (folders.empty() || fileNames.empty())
        return held;
    std::unordered_map<std::string_view, std::size_t> byLocal;
    std::unordered_map<std::string, std::vector<std::size_t>> byNetwork;
    std::vector<SqlValue> values;
    for (const std::string_view name : fileNames)
        values.emplace_back(name);
    const std::string nameMarks = PaddedListMarks(values);
    std::size_t from = values.size();
    for (std::size_t i = 0; i < folders.size(); ++i)
        if (byLocal.try_emplace(folders[i].local, i).second)
            values.emplace_back(std::string_view(folders[i].local));
    const std::string localMarks = PaddedListMarks(values, from);
    // A share folder's rows are found by their network form without regard to case, and told
    // apart below (DirectoryRowStandsFor).
    from = values.size();
    std::vector<std::string> folded; // the values' own text
    folded.reserve(folders.size());
    for (std::size_t i = 0; i < folders.size(); ++i)
        if (!folders[i].network.empty()) {
            auto& sharing = byNetwork[ComparableNetworkForm(folders[i].network)];
            if (sharing.empty())
                values.emplace_back(
                    std::string_view(folded.emplace_back(AsciiFoldedText(folders[i].network))));
            sharing.push_back(i);
        }
    const std::string networkMarks = values.size() > from ? " OR LOWER(tblDirectory.sUNC) IN (" +
                                                                PaddedListMarks(values, from) + ")"
                                                          : std::string();

    // Whether the row of the folder itself is kept for each file: another's only stands in.
    std::map<std::pair<std::size_t, std::string>, bool> own;
    const auto keep = [&](std::size_t folder, const std::string& name, bool itsOwn,
                          const ResultSet& rows) {
        auto [at, added] = own.try_emplace({folder, name}, itsOwn);
        if (!added && (at->second || !itsOwn))
            return;
        at->second = itsOwn;
        held[{folder, name}] = HeldFile{rows.GetInt(0), rows.GetInt(1)};
    };
    for (ResultSet rows = connection.ExecuteBatch(
             "SELECT tblMedia.lID, tblItem.lID, tblDirectory.sLocal, tblDirectory.sUNC, "
             "tblMedia.sFileName FROM tblMedia, tblItem, tblDirectory WHERE "
             "tblMedia.lID=tblItem.lMediaID AND tblMedia.lDirectoryID=tblDirectory.lID AND "
             "tblMedia.sFileName IN (" +
                 nameMarks + ") AND (tblDirectory.sLocal IN (" + localMarks + ")" + networkMarks +
                 ") ORDER BY tblMedia.lID",
             values);
         !rows.IsEof(); rows.MoveNext()) {
        const std::string rowLocal = rows.GetText(2);
        const std::string rowNetwork = rows.GetText(3);
        const std::string name = rows.GetText(4);
        if (const auto found = byLocal.find(rowLocal); found != byLocal.end())
            keep(found->second, name, true, rows);
        if (networkMarks.empty())
            continue;
        if (const auto found = byNetwork.find(ComparableNetworkForm(rowNetwork));
            found != byNetwork.end())
            for (const std::size_t folder : found->second)
                if (rowLocal != folders[folder].local &&
                    DirectoryRowStandsFor(rowLocal, rowNetwork, folders[folder].local,
                                          folders[folder].network))
                    keep(folder, name, false, rows);
    }
    return held;
}

} // namespace tunebay
