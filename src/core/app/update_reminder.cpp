#include "app/update_reminder.h"

#include "app/product.h"
#include "app/time_stamp.h"

namespace tunebay {

std::string UpdateReminderQuestion(const TextLookup& lookup) {
    return Worded(lookup, kQuestionVisitWebsite) + "\r\n" + kProductWebsite;
}

bool CheckUpdateReminder(std::string& nextUpdate, const IClock& clock) {
    const std::time_t now = clock.Now();
    const std::string nowStamp = FormatTimeStamp(now);
    if (nextUpdate.empty()) {
        nextUpdate = TimeStampOneMonthLater(now);
        return false;
    }
    if (nextUpdate <= nowStamp) {
        nextUpdate = TimeStampOneMonthLater(now);
        return true;
    }
    return false;
}

} // namespace tunebay
