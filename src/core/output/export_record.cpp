#include "output/export_record.h"

namespace tunebay {

std::string ExportRecord::MediaName(bool withGroup) const {
    if (!withGroup || group.empty())
        return title;
    return group + " - " + title;
}

ExportRecord ReadExportRecord(const ResultSet& rows, int columnSet) {
    ExportRecord record;
    record.directory = rows.GetText(0);
    record.fileName = rows.GetText(1);
    record.title = rows.GetText(2);
    if (columnSet >= 1 && columnSet <= 4)
        record.group = rows.GetText(3);
    if (columnSet >= 2 && columnSet <= 4)
        record.length = rows.GetInt(4);
    if (columnSet >= 3 && columnSet <= 4) {
        record.genre = rows.GetText(5);
        record.publishTime = rows.GetText(6);
    }
    if (columnSet == 4)
        record.comment = rows.GetText(7);
    return record;
}

} // namespace tunebay
