#include "synthetic_catalogue.h"

#include "store/sql_quote.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace tunebay::bench {

namespace {

constexpr std::array<const char*, 48> kWords{
    "Night",    "Blue",   "River", "Silver",   "Dream",   "Fire",   "Stone",  "Heart",
    "Road",     "Summer", "Cold",  "Light",    "Shadow",  "Golden", "Rain",   "Wild",
    "Echo",     "Velvet", "Iron",  "Glass",    "Morning", "Storm",  "Paper",  "Ocean",
    "Little",   "Lonely", "Happy", "Electric", "Secret",  "Broken", "Sweet",  "Crystal",
    "Midnight", "Winter", "Sun",   "Moon",     "Star",    "City",   "Garden", "Train",
    "Dance",    "Song",   "Love",  "Time",     "Home",    "World",  "Angel",  "Devil"};

// A cheap, well-spread hash so that the same seed always gives the same catalogue.
std::uint32_t mix(std::uint32_t value) {
    value ^= value >> 16;
    value *= 0x7feb352dU;
    value ^= value >> 15;
    value *= 0x846ca68bU;
    value ^= value >> 16;
    return value;
}

std::string words(std::uint32_t seed, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i)
            text += ' ';
        text += kWords[mix(seed + 977U * i) % kWords.size()];
    }
    return text;
}

std::string number(int value, int width) {
    std::string text = std::to_string(value);
    return std::string(text.size() < static_cast<size_t>(width) ? width - text.size() : 0, '0') +
           text;
}

// The genres of the template: ID3 numbers 0 to 125, and 255 for none.
int genreFor(std::uint32_t seed) {
    const std::uint32_t pick = mix(seed) % 127;
    return pick == 126 ? 255 : static_cast<int>(pick);
}

// Collects rows into multi-row INSERT statements of a few hundred rows each.
class RowWriter {
public:
    RowWriter(CCatalogueConnection& connection, std::string head)
        : m_connection(connection), m_head(std::move(head)) {}
    ~RowWriter() = default;

    void add(const std::string& values) {
        m_sql += m_rows ? ",(" : m_head + " VALUES (";
        m_sql += values;
        m_sql += ')';
        if (++m_rows == 500)
            flush();
    }
    void flush() {
        if (m_rows)
            m_connection.Execute(m_sql);
        m_sql.clear();
        m_rows = 0;
    }

private:
    CCatalogueConnection& m_connection;
    std::string m_head;
    std::string m_sql;
    int m_rows = 0;
};

std::string groupName(int group) {
    return words(group * 7U + 1, 2) + " " + number(group, 5);
}

std::string packageName(int package) {
    return words(package * 13U + 5, 2) + " " + number(package, 5);
}

std::string title(int item) {
    // Every twentieth title repeats the one before it.
    const int source = item % 20 == 19 ? item - 1 : item;
    return words(source * 31U + 3, 3) + " " + number(source, 7);
}

double audioSize(int item) {
    const int source = item % 20 == 10 ? item - 1 : item;
    return 1000000.0 + static_cast<double>(mix(source * 5U + 11) % 9000000) * 3 + (source % 3);
}

} // namespace

CatalogueShape ShapeFor(int items) {
    CatalogueShape shape;
    shape.items = items;
    shape.groups = std::max(1, static_cast<int>(static_cast<long long>(items) * 40000 / 1000000));
    shape.packages = shape.groups * 2;
    return shape;
}

void FillSyntheticCatalogue(CCatalogueConnection& connection, const CatalogueShape& shape) {
    connection.Execute("PRAGMA journal_mode=OFF");
    connection.Execute("PRAGMA synchronous=OFF");
    connection.Execute("PRAGMA cache_size=-262144");

    // Indexes are made once over all rows: far quicker than keeping them up row by row.
    std::vector<std::pair<std::string, std::string>> indexes;
    for (ResultSet rows = connection.Execute(
             "SELECT name, sql FROM sqlite_master WHERE type='index' AND sql IS NOT NULL");
         !rows.IsEof(); rows.MoveNext())
        indexes.emplace_back(rows.GetText(0), rows.GetText(1));

    // Dropping an index drops its planner statistics too; the template's are put back below.
    std::vector<std::string> statistics;
    for (ResultSet rows =
             connection.Execute("SELECT tbl, idx, stat FROM sqlite_stat1 WHERE idx IS NOT NULL");
         !rows.IsEof(); rows.MoveNext())
        statistics.push_back("INSERT INTO sqlite_stat1 (tbl, idx, stat) VALUES (" +
                             SqlQuote(rows.GetText(0)) + ", " + SqlQuote(rows.GetText(1)) + ", " +
                             SqlQuote(rows.GetText(2)) + ")");

    CatalogueTransaction transaction(connection);
    for (const auto& index : indexes)
        connection.Execute("DROP INDEX " + index.first);

    {
        RowWriter groups(connection, "INSERT INTO tblGroup (lID, sName)");
        for (int group = 1; group <= shape.groups; ++group)
            groups.add(std::to_string(group) + "," + SqlQuote(groupName(group)));
        groups.flush();
        RowWriter packages(connection, "INSERT INTO tblPackage (lID, sName)");
        RowWriter directories(connection, "INSERT INTO tblDirectory (lID, sLocal, sUNC, sURL)");
        for (int package = 1; package <= shape.packages; ++package) {
            packages.add(std::to_string(package) + "," + SqlQuote(packageName(package)));
            const std::string local =
                "/music/" + number((package - 1) / 2 + 1, 5) + "/" + number(package, 5) + "/";
            directories.add(std::to_string(package) + "," + SqlQuote(local) + "," +
                            SqlQuote("/" + local) + "," + SqlQuote("http:/" + local));
        }
        packages.flush();
        directories.flush();
    }

    RowWriter media(connection,
                    "INSERT INTO tblMedia (lID, sName, sComment, lGenreID, sPublishTime, "
                    "sFileName, lDirectoryID, lLength, sImportTime, lMediaType, fSize)");
    RowWriter items(connection,
                    "INSERT INTO tblItem (lID, lMediaID, lGroupID, lPackageID, lFolderID)");
    RowWriter optional(connection, "INSERT INTO tblOptional (lTableID, lOptionalTypeID, sValue, "
                                   "lValue, fValue)");
    for (int i = 0; i < shape.items; ++i) {
        const int id = i + 1;
        const int package =
            static_cast<int>(static_cast<long long>(i) * shape.packages / shape.items) + 1;
        const int group = (package - 1) / 2 + 1;
        // Mostly one genre per album; one file in ten has a genre of its own.
        const int genre = mix(id) % 10 == 0 ? genreFor(id * 3U) : genreFor(package * 17U);
        const std::string comment = mix(id * 11U) % 4 == 0 ? words(id * 19U, 2) : std::string();
        const std::string ids = std::to_string(id);
        media.add(ids + "," + SqlQuote(title(i)) + "," + SqlQuote(comment) + "," +
                  std::to_string(genre) + "," + SqlQuote(std::to_string(1960 + mix(package) % 60)) +
                  "," + SqlQuote(number(id, 7) + " " + title(i) + ".mp3") + "," +
                  std::to_string(package) + "," + std::to_string(60 + mix(id * 5U) % 540) + "," +
                  SqlQuote("2003" + number(1 + id % 12, 2) + number(1 + id % 28, 2) + "120000") +
                  ",1," + std::to_string(4000000 + mix(id * 7U) % 8000000));
        items.add(ids + "," + ids + "," + std::to_string(group) + "," + std::to_string(package) +
                  ",0");
        static constexpr int kBitrates[] = {128, 160, 192, 256, 320};
        optional.add(ids + ",4103,NULL," + std::to_string(kBitrates[mix(id) % 5]) + ",NULL");
        optional.add(ids + ",4102,NULL,44100,NULL");
        optional.add(ids + ",4118,NULL,NULL," + SqlDouble(audioSize(i)));
        if (mix(id * 3U) % 10 == 0)
            optional.add(ids + ",4112,NULL,1,NULL");
        if (mix(id * 23U) % 10 < 3) {
            const int source = mix(id * 29U) % 20 == 0 && id > 1 ? id - 1 : id;
            char fingerprint[40];
            std::snprintf(fingerprint, sizeof fingerprint, "%08x-%04x-%04x-%04x-%012x", mix(source),
                          mix(source + 1) & 0xffff, mix(source + 2) & 0xffff,
                          mix(source + 3) & 0xffff, mix(source + 4));
            optional.add(ids + ",4095," + SqlQuote(fingerprint) + ",NULL,NULL");
        }
    }
    media.flush();
    items.flush();
    optional.flush();

    for (const auto& index : indexes)
        connection.Execute(index.second);
    connection.Execute("DELETE FROM sqlite_stat1 WHERE idx IS NOT NULL");
    for (const auto& row : statistics)
        connection.Execute(row);
    transaction.Commit();
}

std::vector<int> SpreadItemIds(const CatalogueShape& shape, int count, int seed) {
    std::vector<int> ids;
    const int step = std::max(1, shape.items / count);
    for (int i = 0; i < count && i * step < shape.items; ++i)
        ids.push_back(i * step + static_cast<int>(mix(seed * 101U + i) % step) + 1);
    return ids;
}

} // namespace tunebay::bench
