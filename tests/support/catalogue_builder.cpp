#include "support/catalogue_builder.h"

#include "store/classification.h"
#include "store/directories.h"
#include "store/sql_quote.h"

namespace tunebay::test {

AddedItem CatalogueBuilder::add(const ItemFacts& facts) {
    AddedItem added;
    added.directoryId = FindOrCreateDirectory(m_connection, facts.directory);
    added.groupId = FindOrCreateGroup(m_connection, facts.group);
    const std::string fileName =
        facts.fileName.empty() ? "file" + std::to_string(++m_files) + ".mp3" : facts.fileName;
    m_connection.Execute(
        "INSERT INTO tblMedia (sName, sComment, lGenreID, sPublishTime, sFileName, lDirectoryID, "
        "lLength, sImportTime, lMediaType, fSize) VALUES (" +
        SqlQuote(facts.title) + ", " + SqlQuote(facts.comment) + ", " +
        std::to_string(facts.genreId) + ", " + SqlQuote(facts.publishTime) + ", " +
        SqlQuote(fileName) + ", " + std::to_string(added.directoryId) + ", " +
        std::to_string(facts.length) + ", " + SqlQuote(facts.importTime) + ", 1, " +
        SqlDouble(facts.size) + ")");
    added.mediaId = m_connection.Execute("SELECT MAX(lID) FROM tblMedia").GetInt(0);
    added.packageId = FindOrCreatePackage(m_connection, facts.package, facts.group);
    m_connection.Execute("INSERT INTO tblItem (lMediaID, lGroupID, lPackageID) VALUES (" +
                         std::to_string(added.mediaId) + ", " + std::to_string(added.groupId) +
                         ", " + std::to_string(added.packageId) + ")");
    added.itemId = m_connection.Execute("SELECT MAX(lID) FROM tblItem").GetInt(0);
    return added;
}

} // namespace tunebay::test
