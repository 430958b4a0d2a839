#include "support/refused_change.h"

#include "store/sql_quote.h"

namespace tunebay::test {

void RefuseChange(CCatalogueConnection& connection, const RefusedChange& refused) {
    static int made = 0;
    const std::string name = "refuse" + std::to_string(++made);
    const std::string when = refused.when.empty() ? std::string() : " WHEN (" + refused.when + ")";
    if (!IsServerCatalogueName(connection.Path())) {
        connection.Execute("CREATE TRIGGER " + name + " BEFORE " + refused.change + " ON " +
                           refused.table + when + " BEGIN SELECT RAISE(ABORT, " +
                           SqlQuote(refused.message) + "); END");
        return;
    }
    // A server's trigger runs a function; its body is one quoted text.
    const std::string body = "BEGIN RAISE EXCEPTION " + SqlQuote(refused.message) + "; END";
    connection.Execute("CREATE FUNCTION " + name + "() RETURNS trigger LANGUAGE plpgsql AS " +
                       SqlQuote(body));
    connection.Execute("CREATE TRIGGER " + name + " BEFORE " + refused.change + " ON " +
                       refused.table + " FOR EACH ROW" + when + " EXECUTE FUNCTION " + name + "()");
}

} // namespace tunebay::test
