#pragma once

#include "app/clock.h"

#include <string>

namespace tunebay {

// The question asked when the update reminder is due.
std::string UpdateReminderQuestion();

// Decides the update reminder at start-up from the stored `NextUpdate` time stamp. Returns true
// when the question is due now. Whenever the reminder is unset or due, `nextUpdate` moves on to
// one month from now (whatever the user answers).
bool CheckUpdateReminder(std::string& nextUpdate, const IClock& clock);

} // namespace tunebay
