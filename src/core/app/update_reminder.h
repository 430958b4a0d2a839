#pragma once

#include "app/clock.h"
#include "text/translatable.h"

#include <string>

namespace tunebay {

// The question asked when the update reminder is due, followed by the website's address.
inline constexpr const char* kQuestionVisitWebsite =
    TB_TRANSLATE_NOOP("Tunebay", "Do you want to visit the Tunebay website for the latest update?");
std::string UpdateReminderQuestion(const TextLookup& lookup = {});

// Decides the update reminder at start-up from the stored `NextUpdate` time stamp. Returns true
// when the question is due now. Whenever the reminder is unset or due, `nextUpdate` moves on to
// one month from now (whatever the user answers).
bool CheckUpdateReminder(std::string& nextUpdate, const IClock& clock);

} // namespace tunebay
