#include "store/optional_values.h"

#include "store/row_batches.h"

#include <vector>

namespace tunebay {

namespace {

// The column of the value's kind and the value to bind, or no column for a kind outside 1..5.
const char* columnFor(const OptionalValue& value, SqlValue& bound) {
    switch (value.kind) {
    case kValueInteger:
    case kValueBoolean:
        bound = static_cast<long long>(value.integer);
        return "lValue";
    case kValueFloat:
        bound = value.number;
        return "fValue";
    case kValueText:
    case kValueText2:
        bound = std::string_view(value.text);
        return "sValue";
    default:
        return nullptr;
    }
}

void insertValue(CCatalogueConnection& connection, const std::string& column,
                 const OptionalValue& value, const SqlValue& bound) {
    connection.ExecuteWith(
        "INSERT INTO tblOptional (lTableID, lOptionalTypeID, " + column + ") VALUES (?, ?, ?)",
        {static_cast<long long>(value.ownerId), static_cast<long long>(value.typeId), bound});
}

} // namespace

void AddOptionalValues(CCatalogueConnection& connection, std::span<const OptionalValue> values) {
    // Every row names all three value columns; those of other kinds are NULL, as a row
    // inserted with its own column alone has them.
    std::vector<SqlValue> rows;
    rows.reserve(values.size() * 5);
    for (const OptionalValue& value : values) {
        SqlValue bound;
        const char* column = columnFor(value, bound);
        if (!column)
            continue;
        const std::string_view name = column;
        rows.insert(rows.end(),
                    {static_cast<long long>(value.ownerId), static_cast<long long>(value.typeId),
                     name == "sValue" ? bound : nullptr, name == "lValue" ? bound : nullptr,
                     name == "fValue" ? bound : nullptr});
    }
    InsertRows(
        connection,
        "INSERT INTO tblOptional (lTableID, lOptionalTypeID, sValue, lValue, fValue) VALUES ", 5,
        rows);
}

void SetOptionalValue(CCatalogueConnection& connection, const OptionalValue& value) {
    // Runs several times per imported file: the statements are kept prepared, one per column.
    SqlValue bound;
    const char* column = columnFor(value, bound);
    if (!column)
        return;
    const long long type = value.typeId;
    const long long owner = value.ownerId;
    const bool exists =
        !connection
             .ExecuteWith("SELECT * FROM tblOptional WHERE lOptionalTypeID=? AND lTableID=?",
                          {type, owner})
             .IsEof();
    const std::string c = column;
    if (exists)
        connection.ExecuteWith("UPDATE tblOptional SET " + c +
                                   "=? WHERE lOptionalTypeID=? AND lTableID=?",
                               {bound, type, owner});
    else
        insertValue(connection, c, value, bound);
}

void AddOptionalValue(CCatalogueConnection& connection, const OptionalValue& value) {
    SqlValue bound;
    if (const char* column = columnFor(value, bound))
        insertValue(connection, column, value, bound);
}

} // namespace tunebay

namespace tunebay {

namespace {

struct OptionalTypeRow {
    int id;
    const char* name;
    int kind;
    int tableType;
};

// The types added after the first catalogue format, as the template holds them. The compressed
// fingerprint is kept out of the details list (table type 0): it is a long run of letters that
// tells the user nothing.
constexpr OptionalTypeRow kLaterTypes[] = {
    {kOptionalRawFingerprint, "Acoustic Fingerprint Data", kValueText, 0},
    {kOptionalBitsPerSample, "Bits Per Sample", kValueInteger, 9},
};

} // namespace

void AddMissingOptionalTypes(CCatalogueConnection& connection) {
    for (const OptionalTypeRow& row : kLaterTypes) {
        const long long id = row.id;
        if (!connection.ExecuteWith("SELECT lID FROM tblOptionalType WHERE lID=?", {id}).IsEof())
            continue;
        connection.ExecuteWith(
            "INSERT INTO tblOptionalType (lID, sName, lValueType, lTableType) VALUES (?, ?, ?, ?)",
            {id, std::string_view(row.name), static_cast<long long>(row.kind),
             static_cast<long long>(row.tableType)});
    }
}

} // namespace tunebay
