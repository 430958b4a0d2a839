#include "store/optional_values.h"

namespace tunebay {

void SetOptionalValue(CCatalogueConnection& connection, const OptionalValue& value) {
    // Runs several times per imported file: the statements are kept prepared, one per column.
    const char* column = nullptr;
    SqlValue bound;
    switch (value.kind) {
    case kValueInteger:
    case kValueBoolean:
        column = "lValue";
        bound = static_cast<long long>(value.integer);
        break;
    case kValueFloat:
        column = "fValue";
        bound = value.number;
        break;
    case kValueText:
    case kValueText2:
        column = "sValue";
        bound = std::string_view(value.text);
        break;
    default:
        return;
    }
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
        connection.ExecuteWith("INSERT INTO tblOptional (lTableID, lOptionalTypeID, " + c +
                                   ") VALUES (?, ?, ?)",
                               {owner, type, bound});
}

} // namespace tunebay
