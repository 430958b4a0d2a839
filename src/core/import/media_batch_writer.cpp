#include "import/media_batch_writer.h"

#include "import/media_rows.h"
#include "store/catalogue_error.h"
#include "store/classification.h"
#include "store/directories.h"
#include "store/optional_values.h"
#include "store/row_batches.h"
#include "store/writer_locks.h"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace tunebay {

namespace {

// Names compare without ASCII case in the catalogue: one group or album row serves every
// spelling.
std::string folded(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

// The names among `fileNames` that a media row with an item holds in `directory`.
std::unordered_set<std::string> cataloguedNames(CCatalogueConnection& connection,
                                                const std::string& directory,
                                                const std::vector<std::string_view>& fileNames) {
    std::vector<SqlValue> values;
    values.reserve(fileNames.size() + 1);
    values.emplace_back(std::string_view(directory));
    values.insert(values.end(), fileNames.begin(), fileNames.end());
    const std::string marks = PaddedListMarks(values, 1);
    std::unordered_set<std::string> names;
    for (ResultSet rows = connection.ExecuteBatch(
             "SELECT tblMedia.sFileName FROM tblMedia, tblItem, tblDirectory WHERE "
             "tblMedia.lID=tblItem.lMediaID AND tblMedia.lDirectoryID=tblDirectory.lID AND "
             "tblDirectory.sLocal=? AND tblMedia.sFileName IN (" +
                 marks + ")",
             values);
         !rows.IsEof(); rows.MoveNext())
        names.insert(rows.GetText(0));
    return names;
}

// The ids of the groups of the names (folded), found or made in the order met.
std::unordered_map<std::string, int> groupIds(CCatalogueConnection& connection,
                                              const std::vector<std::string_view>& groups) {
    std::unordered_map<std::string, int> ids;
    std::vector<SqlValue> values(groups.begin(), groups.end());
    const std::string marks = PaddedListMarks(values);
    for (ResultSet rows = connection.ExecuteBatch(
             "SELECT lID, sName FROM tblGroup WHERE sName IN (" + marks + ")", values);
         !rows.IsEof(); rows.MoveNext())
        ids.emplace(folded(rows.GetText(1)), rows.GetInt(0));
    for (const std::string_view group : groups) {
        const auto [id, missing] = ids.try_emplace(folded(group), -1);
        if (missing)
            id->second = AddGroup(connection, group);
        if (id->second == -1)
            throw CatalogueError("", "the new tblGroup row cannot be found");
    }
    return ids;
}

// Ids in the order their rows were inserted: the engines number the rows of one multi-row
// INSERT in the order of its VALUES, whatever order RETURNING lists them in.
std::vector<long long> insertedIds(CCatalogueConnection& connection, std::string_view statement,
                                   std::size_t columns, const std::vector<SqlValue>& values) {
    std::vector<long long> ids;
    ids.reserve(values.size() / columns);
    InsertRows(connection, statement, columns, values, " RETURNING lID",
               [&ids](const ResultSet& row) { ids.push_back(row.GetInt64(0)); });
    if (ids.size() != values.size() / columns)
        throw CatalogueError(std::string(statement), "the new rows cannot be found");
    std::sort(ids.begin(), ids.end());
    return ids;
}

} // namespace

std::vector<int> CatalogueNewMediaFiles(CCatalogueConnection& connection,
                                        std::span<const MediaFileInfo* const> files) {
    std::vector<int> items(files.size(), 0);
    if (files.empty())
        return items;
    std::vector<CataloguedNames> names;
    names.reserve(files.size());
    for (const MediaFileInfo* file : files)
        names.push_back(CataloguedNamesOf(*file));

    CatalogueTransaction unit(connection);
    // Another process importing the same files or albums waits here until this batch is
    // catalogued, and then finds them.
    {
        std::vector<std::pair<std::string_view, std::string_view>> lockedFiles;
        std::vector<std::string_view> lockedPackages;
        for (const CataloguedNames& file : names) {
            lockedFiles.emplace_back(file.directory, file.fileName);
            lockedPackages.push_back(file.package);
        }
        LockMediaFilesAndPackages(connection, lockedFiles, lockedPackages);
    }

    // The files to write: those not catalogued, each path once (its first time in the batch).
    std::vector<std::string> folders;
    std::unordered_map<std::string, std::vector<std::size_t>> filesOfFolder;
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto [found, added] = filesOfFolder.try_emplace(names[i].directory);
        if (added)
            folders.push_back(names[i].directory);
        found->second.push_back(i);
    }
    std::vector<bool> writes(files.size(), false);
    for (const std::string& folder : folders) {
        const std::vector<std::size_t>& members = filesOfFolder[folder];
        std::vector<std::string_view> fileNames;
        fileNames.reserve(members.size());
        for (const std::size_t i : members)
            fileNames.push_back(names[i].fileName);
        std::unordered_set<std::string> taken = cataloguedNames(connection, folder, fileNames);
        for (const std::size_t i : members)
            writes[i] = taken.insert(names[i].fileName).second;
    }
    std::vector<std::size_t> fresh;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (writes[i])
            fresh.push_back(i);
    if (fresh.empty()) {
        unit.Commit();
        return items;
    }

    // Groups, albums and folders, each looked up once and made (when missing) in the order the
    // files name them.
    std::vector<std::string_view> groupNames;
    {
        std::unordered_set<std::string> met;
        for (const std::size_t i : fresh)
            if (met.insert(folded(names[i].group)).second)
                groupNames.push_back(names[i].group);
    }
    const std::unordered_map<std::string, int> groups = groupIds(connection, groupNames);
    std::map<std::pair<std::string, std::string>, int> packages;
    std::unordered_map<std::string, int> directories;
    std::vector<long long> groupOf;
    std::vector<long long> packageOf;
    std::vector<SqlValue> media;
    media.reserve(fresh.size() * 10);
    for (const std::size_t i : fresh) {
        const CataloguedNames& file = names[i];
        const MediaFileInfo& info = *files[i];
        auto [package, newPackage] =
            packages.try_emplace({folded(file.package), folded(file.group)}, -1);
        if (newPackage) {
            package->second = FindPackageOfGroup(connection, file.package, file.group);
            if (package->second == -1)
                package->second = AddPackage(connection, file.package);
            if (package->second == -1)
                throw CatalogueError("", "the new tblPackage row cannot be found");
        }
        auto [directory, newDirectory] = directories.try_emplace(file.directory, -1);
        if (newDirectory)
            directory->second = FindOrCreateDirectory(connection, file.directory);
        groupOf.push_back(groups.at(folded(file.group)));
        packageOf.push_back(package->second);
        media.insert(media.end(),
                     {std::string_view(file.title), std::string_view(info.comment),
                      static_cast<long long>(info.genre), std::string_view(info.publishTime),
                      std::string_view(file.fileName), static_cast<long long>(directory->second),
                      static_cast<long long>(info.length), std::string_view(info.importTime),
                      static_cast<long long>(info.format), static_cast<long long>(info.fileSize)});
    }

    const std::vector<long long> mediaIds =
        insertedIds(connection,
                    "INSERT INTO tblMedia (sName, sComment, lGenreID, sPublishTime, sFileName, "
                    "lDirectoryID, lLength, sImportTime, lMediaType, fSize) VALUES ",
                    10, media);
    std::vector<SqlValue> links;
    links.reserve(fresh.size() * 3);
    for (std::size_t k = 0; k < fresh.size(); ++k)
        links.insert(links.end(), {groupOf[k], packageOf[k], mediaIds[k]});
    const std::vector<long long> itemIds = insertedIds(
        connection, "INSERT INTO tblItem (lGroupID, lPackageID, lMediaID) VALUES ", 3, links);

    std::vector<OptionalValue> optional;
    optional.reserve(fresh.size() * 8);
    for (std::size_t k = 0; k < fresh.size(); ++k)
        for (MediaOptionalFact& fact :
             MediaOptionalFacts(static_cast<int>(mediaIds[k]), *files[fresh[k]]))
            if (fact.known)
                optional.push_back(std::move(fact.value));
    AddOptionalValues(connection, optional);
    unit.Commit();

    for (std::size_t k = 0; k < fresh.size(); ++k)
        items[fresh[k]] = static_cast<int>(itemIds[k]);
    return items;
}

} // namespace tunebay
