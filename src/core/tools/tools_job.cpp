#include "tools/tools_job.h"

#include "app/app_settings.h"
#include "text/utf8_text.h"

namespace tunebay {

namespace {

ToolsProperty property(const std::string& text, int set, int ask) {
    return ToolsProperty{text, set != 0, ask != 0};
}

// The first `count` characters (code points) of a text.
std::string firstCharacters(const std::string& text, std::size_t count) {
    std::size_t index = 0;
    for (std::size_t taken = 0; taken < count && index < text.size(); ++taken)
        DecodeNextCodePoint(text, index);
    return text.substr(0, index);
}

} // namespace

ToolsJob ToolsJobFromSettings(const CAppSettings& s) {
    ToolsJob job;
    job.identify = s.ToolsAutoIdentify != 0;
    job.identifyMissingOnly = s.ToolsAutoIdentifyMissing != 0;
    job.identifyAsk = s.ToolsAutoIdentifyAsk != 0;
    job.correct = s.ToolsCorrect != 0;
    job.capitalize = s.ToolsCapitalize != 0;
    job.capitalizeMode = s.ToolsCapitalizeType;
    job.setProperty = s.ToolsProberty != 0;
    job.title = property(s.ToolsTitle, s.ToolsTitleSet, s.ToolsTitleAsk);
    job.group = property(s.ToolsGroup, s.ToolsGroupSet, s.ToolsGroupAsk);
    job.package = property(s.ToolsPackage, s.ToolsPackageSet, s.ToolsPackageAsk);
    job.published = property(s.ToolsYear, s.ToolsYearSet, s.ToolsYearAsk);
    job.comment = property(s.ToolsComment, s.ToolsCommentSet, s.ToolsCommentAsk);
    job.genreSet = s.ToolsGenreSet != 0;
    job.genreAsk = s.ToolsGenreAsk != 0;
    job.genreId = s.ToolsGenre;
    job.tag = s.ToolsWriteTag != 0;
    job.tagAction = s.ToolsTagAction;
    job.useId3v2 = s.UseID3v2 != 0;
    job.rename = s.ToolsRename != 0;
    job.renameStyle = s.ToolsRenameStyle;
    return job;
}

void NormaliseToolsJob(ToolsJob& job) {
    if (job.group.text.empty())
        job.group.text = "Unknown";
    if (job.package.text.empty())
        job.package.text = "Unknown";
    job.published.text = firstCharacters(job.published.text, 4);
}

const char* ToolsJobProblem(const ToolsJob& job) {
    if (!job.identify && !job.correct && !job.capitalize && !job.setProperty && !job.tag &&
        !job.rename)
        return kMessageNothingChecked;
    if (job.setProperty && job.title.set && job.title.text.empty())
        return kMessageEmptyTitle;
    return nullptr;
}

bool ToolsJobMayAsk(const ToolsJob& job) {
    const bool asks =
        job.setProperty &&
        ((job.title.set && job.title.ask) || (job.group.set && job.group.ask) ||
         (job.package.set && job.package.ask) || (job.published.set && job.published.ask) ||
         (job.genreSet && job.genreAsk) || (job.comment.set && job.comment.ask));
    // Files that cannot be changed bring the question whether to go on.
    return asks || job.identify || job.tag || job.rename;
}

} // namespace tunebay
