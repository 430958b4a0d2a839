#pragma once

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
    {"Group", "tblGroup.sName", kSearchText},
    {"Package", "tblPackage.sName", kSearchText},
    {"Title", "tblMedia.sName", kSearchText},
    {"Genre", "tblGenre.sName", kSearchText},
    {"ImportTime", "tblMedia.sImportTime", kSearchDate},
    {"Comment", "tblMedia.sComment", kSearchText},
    {"PublishTime", "tblMedia.sPublishTime", kSearchDate},
    {"Length", "tblMedia.lLength", kSearchLength},
    {"FileSize", "tblMedia.fSize", kSearchNumber},
    {"FileName", "tblMedia.sFileName", kSearchText},
    {"LocalPath", "tblDirectory.sLocal", kSearchText},
    {"UNCPath", "tblDirectory.sUNC", kSearchText},
    {"URLPath", "tblDirectory.sURL", kSearchText},
    {"Bitrate", "tblOptional.lOptionalTypeID=4103 AND tblOptional.lValue", kSearchNumber},
    {"Samplerate", "tblOptional.lOptionalTypeID=4102 AND tblOptional.lValue", kSearchNumber},
    {"VBR", "tblOptional.lOptionalTypeID=4112 AND tblOptional.lValue=TRUE", kSearchFixed},
    {"VolumeName", "tblOptional.lOptionalTypeID=4117 AND tblOptional.sValue", kSearchText},
    {"Duplicates:Name", "tblMedia.sName = tblMediaDuplicates.sName", kSearchFixed},
    {"Duplicates:Size",
     "tblOptional.lOptionalTypeID=4118 AND tblOptional.fValue=tblMediaDuplicatesSize.fValue",
     kSearchFixed},
    {"Duplicates:TRM",
     "tblOptional.lOptionalTypeID=4095 AND tblOptional.sValue=tblMediaDuplicatesTRM.sValue",
     kSearchFixed},
}};

// The comparisons and links of the form, in list order. The link "-" leaves row 2 unused.
inline constexpr std::array<std::string_view, 6> kSearchComparisons{"=",  "<",  ">",
                                                                    "<>", "<=", ">="};
inline constexpr std::array<std::string_view, 3> kSearchLinks{"-", "AND", "OR"};

// The first type with this label, or none.
const SearchType* FindSearchType(std::string_view label);

} // namespace tunebay
