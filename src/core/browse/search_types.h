#pragma once

#include "text/translatable.h"

#include <array>
#include <string_view>

namespace tunebay {

// How a search type compares its value.
enum SearchKind : int {
    kSearchText = 1,
    kSearchNumber = 2,
    kSearchFixed = 4, // a condition of its own; comparison and value are ignored
    kSearchDate = 5,
    kSearchLength = 256,
};

// One entry of the search form's type list. The expression holds one field, or several
// separated by ";".
struct SearchType {
    std::string_view label;
    std::string_view expression;
    int kind;
};

inline constexpr std::array<SearchType, 21> kSearchTypes{{
    {"*", "tblGroup.sName;tblPackage.sName;tblMedia.sName;tblMedia.sFileName;tblMedia.sComment",
     kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "Group"), "tblGroup.sName", kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "Package"), "tblPackage.sName", kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "Title"), "tblMedia.sName", kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "Genre"), "tblGenre.sName", kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "ImportTime"), "tblMedia.sImportTime", kSearchDate},
    {TB_TRANSLATE_NOOP("Tunebay", "Comment"), "tblMedia.sComment", kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "PublishTime"), "tblMedia.sPublishTime", kSearchDate},
    {TB_TRANSLATE_NOOP("Tunebay", "Length"), "tblMedia.lLength", kSearchLength},
    {TB_TRANSLATE_NOOP("Tunebay", "FileSize"), "tblMedia.fSize", kSearchNumber},
    {TB_TRANSLATE_NOOP("Tunebay", "FileName"), "tblMedia.sFileName", kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "LocalPath"), "tblDirectory.sLocal", kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "UNCPath"), "tblDirectory.sUNC", kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "URLPath"), "tblDirectory.sURL", kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "Bitrate"),
     "tblOptional.lOptionalTypeID=4103 AND tblOptional.lValue", kSearchNumber},
    {TB_TRANSLATE_NOOP("Tunebay", "Samplerate"),
     "tblOptional.lOptionalTypeID=4102 AND tblOptional.lValue", kSearchNumber},
    {TB_TRANSLATE_NOOP("Tunebay", "VBR"),
     "tblOptional.lOptionalTypeID=4112 AND tblOptional.lValue=TRUE", kSearchFixed},
    {TB_TRANSLATE_NOOP("Tunebay", "VolumeName"),
     "tblOptional.lOptionalTypeID=4117 AND tblOptional.sValue", kSearchText},
    {TB_TRANSLATE_NOOP("Tunebay", "Duplicates:Name"), "tblMedia.sName = tblMediaDuplicates.sName",
     kSearchFixed},
    {TB_TRANSLATE_NOOP("Tunebay", "Duplicates:Size"),
     "tblOptional.lOptionalTypeID=4118 AND tblOptional.fValue=tblMediaDuplicatesSize.fValue",
     kSearchFixed},
    {TB_TRANSLATE_NOOP("Tunebay", "Duplicates:TRM"),
     "tblOptional.lOptionalTypeID=4095 AND tblOptional.sValue=tblMediaDuplicatesTRM.sValue",
     kSearchFixed},
}};

// The comparisons and links of the form, in list order. The link "-" leaves row 2 unused.
inline constexpr std::array<std::string_view, 6> kSearchComparisons{"=",  "<",  ">",
                                                                    "<>", "<=", ">="};
inline constexpr std::array<std::string_view, 3> kSearchLinks{
    "-", TB_TRANSLATE_NOOP("Tunebay", "AND"), TB_TRANSLATE_NOOP("Tunebay", "OR")};

// The first type with this label, or none.
const SearchType* FindSearchType(std::string_view label);

} // namespace tunebay
