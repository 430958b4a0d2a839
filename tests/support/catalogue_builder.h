#pragma once

#include "store/catalogue_connection.h"

#include <string>

namespace tunebay::test {

// The facts of one catalogued file, as the import would store them.
struct ItemFacts {
    std::string title = "Title";
    std::string group = "Unknown";
    std::string package = "Unknown";
    int genreId = 255;
    std::string directory = "/music/";
    std::string fileName = {}; // "" gives a name of its own per item
    int length = 0;
    std::string publishTime = {};
    std::string comment = {};
    std::string importTime = "20030501120000";
    double size = 0;
};

// The ids of the rows one added item uses.
struct AddedItem {
    int itemId = 0;
    int mediaId = 0;
    int groupId = 0;
    int packageId = 0;
    int directoryId = 0;
};

// Fills a catalogue with items by SQL, finding or creating their group, package and directory
// rows the way the import does.
class CatalogueBuilder {
public:
    explicit CatalogueBuilder(CCatalogueConnection& connection) : m_connection(connection) {}
    AddedItem add(const ItemFacts& facts);

private:
    CCatalogueConnection& m_connection;
    int m_files = 0;
};

} // namespace tunebay::test
