#include "import/file_names.h"

#include "import/tag_fields.h"
#include "text/text_case.h"
#include "text/text_rules.h"
#include "text/utf8_text.h"

#include <string_view>

namespace tunebay {

namespace {

// The file name of `path` without directory and extension.
std::string baseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

// The first `count` characters of `text` (all of it when it is shorter).
std::string_view prefixOf(std::string_view text, size_t count) {
    size_t index = 0;
    for (size_t i = 0; i < count && index < text.size(); ++i)
        DecodeNextCodePoint(text, index);
    return text.substr(0, index);
}

// A field that came from a version-1 tag may be cut at 30 bytes (29 when the writer kept a
// terminator); the file name's longer text then wins when it begins with the field.
void takeName(std::string& field, const std::string& fromFileName) {
    if (field.empty()) {
        field = fromFileName;
        return;
    }
    const size_t length = CodePointLength(field);
    if (length != 29 && length != 30)
        return;
    std::string safe = field;
    MakeFileNameSafe(safe);
    if (EqualsIgnoringAsciiCase(prefixOf(fromFileName, length), safe))
        field = fromFileName;
}

// "13 - Open Dream": a track number before " - " is neither group nor part of the title. Name
// correction would cut "13 " alone and leave "- Open Dream"; with it, underscores count as spaces
// as it reads them.
void dropLeadingTrackNumber(std::string& base, bool correcting) {
    const auto isBlank = [&](char c) { return c == ' ' || (correcting && c == '_'); };
    std::size_t i = 0;
    while (i < base.size() && i < 4 && base[i] >= '0' && base[i] <= '9')
        ++i;
    if (i == 0 || i > 3)
        return;
    std::size_t j = i;
    while (j < base.size() && isBlank(base[j]))
        ++j;
    if (j == i || j >= base.size() || base[j] != '-')
        return;
    std::size_t k = j + 1;
    while (k < base.size() && isBlank(base[k]))
        ++k;
    if (k == j + 1 || k >= base.size())
        return;
    base.erase(0, k);
}

} // namespace

std::string TrimSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

int NamesFromFileName(MediaFileInfo& info) {
    std::string base = baseName(info.path);
    dropLeadingTrackNumber(base, info.correctNames);
    if (info.correctNames)
        CorrectName(base, true);

    std::string groupPart;
    std::string titlePart;
    const size_t separator = base.find(" - ");
    if (separator == std::string::npos) {
        titlePart = TrimSpaces(base);
    } else {
        groupPart = TrimSpaces(std::string_view(base).substr(0, separator));
        titlePart = TrimSpaces(std::string_view(base).substr(separator + 3));
    }
    takeName(info.title, titlePart);
    takeName(info.group, groupPart);
    return 0;
}

void TitleFromFileName(MediaFileInfo& info) {
    info.title = baseName(info.path);
    dropLeadingTrackNumber(info.title, info.correctNames);
    if (info.correctNames)
        CorrectName(info.title, true);
}

int ApplyNaming(MediaFileInfo& info, int importSource, bool audioFactsRead, bool useId3v2,
                const MediaFileBytes* file) {
    if (!audioFactsRead)
        return ApplyNaming(info, importSource, TagFieldReader());
    return ApplyNaming(info, importSource, [&](MediaFileInfo& record) {
        return file ? ReadTagFields(*file, record, useId3v2)
                    : ReadTagFields(record.path, record, useId3v2);
    });
}

int ApplyNaming(MediaFileInfo& info, int importSource, const TagFieldReader& readTag) {
    int status = 1;
    if ((importSource & kImportSourceTag) && readTag)
        status = readTag(info);
    if (importSource & kImportSourceFileName)
        status = NamesFromFileName(info);
    if (status != 0)
        TitleFromFileName(info);
    return status;
}

} // namespace tunebay
