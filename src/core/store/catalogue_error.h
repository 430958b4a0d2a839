#pragma once

#include <stdexcept>
#include <string>

namespace tunebay {

// Raised by the catalogue store for any failing statement. Carries the statement as sent and the
// database engine's own message, so each command can report in its own words and a log or a
// test can see exactly what failed.
class CatalogueError : public std::runtime_error {
public:
    CatalogueError(std::string statement, std::string engineMessage)
        : std::runtime_error(engineMessage + " [" + statement + "]"),
          m_statement(std::move(statement)), m_engineMessage(std::move(engineMessage)) {}

    const std::string& statement() const { return m_statement; }
    const std::string& engineMessage() const { return m_engineMessage; }

private:
    std::string m_statement;
    std::string m_engineMessage;
};

} // namespace tunebay
