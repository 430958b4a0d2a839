#include "support/temp_catalogue.h"

#include <stdexcept>

namespace tunebay::test {

std::string dataDirectory() {
    return TUNEBAY_DATA_DIR;
}

std::filesystem::path templatePath() {
    return std::filesystem::path(TUNEBAY_DATA_DIR) / "TBDB.src";
}

TempCatalogue::TempCatalogue() : m_path(m_dir.file("test.tbf")) {
    std::filesystem::copy_file(templatePath(), m_path);
    if (connection.Open(CatalogueConnectionString(m_path.string())) != 0)
        throw std::runtime_error("cannot open the test catalogue");
    connection.EnableConcurrentAccess();
}

std::string TempCatalogue::scalar(const std::string& sql) {
    ResultSet rows = connection.Execute(sql);
    return rows.IsEof() ? std::string() : rows.GetText(0);
}

} // namespace tunebay::test
