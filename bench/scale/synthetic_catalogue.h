#pragma once

#include "store/catalogue_connection.h"

#include <vector>

namespace tunebay::bench {

// The shape of a synthetic catalogue, scaled to the item count: at a million items 40,000
// groups with two packages each (about 12 items per package), every template genre, one
// directory per package, 5% of titles and 5% of audio sizes doubled, fingerprints for 30% of
// the files (5% of them doubled) and variable bitrate for 10%.
struct CatalogueShape {
    int items = 0;
    int groups = 0;
    int packages = 0;
};

CatalogueShape ShapeFor(int items);

// Fills an empty catalogue (copied from the template) with the shape's rows through the store,
// in one transaction, with the template's indexes made afresh after the rows are in.
void FillSyntheticCatalogue(CCatalogueConnection& connection, const CatalogueShape& shape);

// Item ids spread over the whole catalogue, none twice.
std::vector<int> SpreadItemIds(const CatalogueShape& shape, int count, int seed);

} // namespace tunebay::bench
