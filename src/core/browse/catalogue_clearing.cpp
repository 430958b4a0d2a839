#include "browse/catalogue_clearing.h"

namespace tunebay {

void ClearCatalogue(CCatalogueConnection& connection) {
    CatalogueTransaction transaction(connection);
    for (const char* statement :
         {"DELETE * FROM tblItem", "DELETE * FROM tblDirectory", "DELETE * FROM tblGroup",
          "DELETE * FROM tblPackage", "DELETE * FROM tblMedia", "DELETE * FROM tblOptional",
          "DELETE * FROM tblFolder"})
        connection.Execute(statement);
    transaction.Commit();
}

} // namespace tunebay
