#include "store/optional_values.h"

#include "store/sql_quote.h"

namespace tunebay {

void SetOptionalValue(CCatalogueConnection& connection, const OptionalValue& value) {
    std::string column;
    std::string literal;
    switch (value.kind) {
    case kValueInteger:
    case kValueBoolean:
        column = "lValue";
        literal = std::to_string(value.integer);
        break;
    case kValueFloat:
        column = "fValue";
        literal = SqlDouble(value.number);
        break;
    case kValueText:
    case kValueText2:
        column = "sValue";
        literal = SqlQuote(value.text);
        break;
    default:
        return;
    }
    const std::string type = std::to_string(value.typeId);
    const std::string owner = std::to_string(value.ownerId);
    const bool exists = !connection
                             .Execute("SELECT * FROM tblOptional WHERE lOptionalTypeID=" + type +
                                      " AND lTableID=" + owner)
                             .IsEof();
    if (exists)
        connection.Execute("UPDATE tblOptional SET " + column + "=" + literal +
                           " WHERE lOptionalTypeID=" + type + " AND lTableID=" + owner);
    else
        connection.Execute("INSERT INTO tblOptional (lTableID, lOptionalTypeID, " + column +
                           ") VALUES (" + owner + ", " + type + ", " + literal + ")");
}

} // namespace tunebay
