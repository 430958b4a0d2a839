#include "import/media_batch_writer.h"

#include "import/held_files.h"
#include "import/media_rows.h"
#include "store/classification.h"
#include "store/directories.h"
#include "store/network_mounts.h"
#include "store/optional_values.h"
#include "store/row_batches.h"
#include "store/writer_locks.h"
#include "text/text_case.h"

#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace tunebay {

namespace {

// Numbers the distinct keys in the order first met: `index[i]` is the number of item i's key,
// and `first` the item that first had each key.
template <typename Key>
void numberKeys(const std::vector<Key>& keys, std::vector<std::size_t>& index,
                std::vector<std::size_t>& first) {
    std::unordered_map<Key, std::size_t> numbers;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto [at, added] = numbers.try_emplace(keys[i], first.size());
        if (added)
            first.push_back(i);
        index.push_back(at->second);
    }
}

} // namespace

std::vector<int> CatalogueNewMediaFiles(CCatalogueConnection& connection,
                                        std::span<const MediaFileInfo* const> files,
                                        const std::vector<MountEntry>& mounts) {
    std::vector<int> items(files.size(), 0);
    if (files.empty())
        return items;
    std::vector<CataloguedNames> names;
    names.reserve(files.size());
    for (const MediaFileInfo* file : files)
        names.push_back(CataloguedNamesOf(*file));
    // The batch's folders, with their network forms on a share.
    std::vector<ImportFolder> folders;
    std::vector<std::size_t> folderOfFile;
    {
        std::unordered_map<std::string_view, std::size_t> numbers;
        for (const CataloguedNames& file : names) {
            const auto [at, added] = numbers.try_emplace(file.directory, folders.size());
            if (added)
                folders.push_back({file.directory, NetworkFormOf(file.directory, mounts)});
            folderOfFile.push_back(at->second);
        }
    }

    CatalogueTransaction unit(connection);
    // Another process importing the same files waits here until this batch is catalogued, and
    // then finds them; on a share the lock is the share's, so another machine's importer of the
    // files waits too.
    {
        std::vector<std::string> lockFolders;
        for (const ImportFolder& folder : folders)
            lockFolders.push_back(folder.network.empty() ? folder.local
                                                         : ComparableNetworkForm(folder.network));
        std::vector<std::pair<std::string_view, std::string_view>> lockedFiles;
        for (std::size_t i = 0; i < names.size(); ++i)
            lockedFiles.emplace_back(lockFolders[folderOfFile[i]], names[i].fileName);
        LockMediaFilesAndPackages(connection, lockedFiles, {});
    }

    // The files to write: those not catalogued, each path once (its first time in the batch).
    std::vector<std::size_t> fresh;
    {
        std::vector<std::string_view> fileNames;
        for (const CataloguedNames& file : names)
            fileNames.push_back(file.fileName);
        const auto held = FindHeldFiles(connection, folders, fileNames);
        std::set<std::pair<std::size_t, std::string_view>> taken;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (!held.contains({folderOfFile[i], names[i].fileName}) &&
                taken.emplace(folderOfFile[i], names[i].fileName).second)
                fresh.push_back(i);
    }
    if (fresh.empty()) {
        unit.Commit();
        return items;
    }

    // Groups, albums and folders, each looked up once and made (when missing) in the order the
    // files name them, as file after file would make them.
    std::vector<std::string> groupKeys, freshFolders;
    std::vector<std::string> packageKeys;
    for (const std::size_t i : fresh) {
        groupKeys.push_back(AsciiFoldedText(names[i].group));
        packageKeys.push_back(AsciiFoldedText(names[i].package) + '\0' + groupKeys.back());
        freshFolders.push_back(names[i].directory);
    }
    std::vector<std::size_t> groupOf, firstOfGroup, packageOf, firstOfPackage, folderOf,
        firstOfFolder;
    numberKeys(groupKeys, groupOf, firstOfGroup);
    numberKeys(packageKeys, packageOf, firstOfPackage);
    numberKeys(freshFolders, folderOf, firstOfFolder);
    std::vector<std::string_view> groupNames;
    for (const std::size_t k : firstOfGroup)
        groupNames.push_back(names[fresh[k]].group);
    std::vector<std::pair<std::string_view, std::string_view>> packagePairs;
    for (const std::size_t k : firstOfPackage)
        packagePairs.emplace_back(names[fresh[k]].package, names[fresh[k]].group);
    std::vector<std::string> folderPaths;
    for (const std::size_t k : firstOfFolder)
        folderPaths.push_back(freshFolders[k]);
    const ClassificationIds classification =
        FindOrCreateGroupsAndPackages(connection, groupNames, packagePairs);
    const std::vector<int>& groupIds = classification.groups;
    const std::vector<int>& packageIds = classification.packages;
    const std::vector<int> folderIds = FindOrCreateDirectories(connection, folderPaths, &mounts);

    std::vector<SqlValue> media;
    media.reserve(fresh.size() * 10);
    for (std::size_t k = 0; k < fresh.size(); ++k) {
        const CataloguedNames& file = names[fresh[k]];
        const MediaFileInfo& info = *files[fresh[k]];
        media.insert(media.end(),
                     {std::string_view(file.title), std::string_view(info.comment),
                      static_cast<long long>(info.genre), std::string_view(info.publishTime),
                      std::string_view(file.fileName),
                      static_cast<long long>(folderIds[folderOf[k]]),
                      static_cast<long long>(info.length), std::string_view(info.importTime),
                      static_cast<long long>(info.format), static_cast<long long>(info.fileSize)});
    }
    const std::vector<long long> mediaIds =
        InsertedRowIds(connection,
                       "INSERT INTO tblMedia (sName, sComment, lGenreID, sPublishTime, sFileName, "
                       "lDirectoryID, lLength, sImportTime, lMediaType, fSize) VALUES ",
                       10, media);
    std::vector<SqlValue> links;
    links.reserve(fresh.size() * 3);
    for (std::size_t k = 0; k < fresh.size(); ++k)
        links.insert(links.end(), {static_cast<long long>(groupIds[groupOf[k]]),
                                   static_cast<long long>(packageIds[packageOf[k]]), mediaIds[k]});
    const std::vector<long long> itemIds = InsertedRowIds(
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
