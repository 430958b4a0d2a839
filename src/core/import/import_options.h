#pragma once

#include "app/app_settings.h"
#include "import/audio_format.h"

#include <string>
#include <vector>

namespace tunebay {

// The import settings, copied when an import command starts so that changes made while it runs
// do not reach it.
struct ImportOptions {
    int source = 3;           // bit 0: read the tag; bit 1: group and title from the file name
    bool correctNames = true; // names taken from file names go through CorrectName
    bool useV2 = true;        // also read version-2 tags
    bool generateFingerprint = false;
    std::string proxyAddress;
    int proxyPort = 8080;
    bool allowAllFiles = false; // also catalogue files that are not audio
    // The extensions (lower case, no dots) a folder import takes when not all files are allowed.
    std::vector<std::string> extensions = DefaultImportExtensions();
    bool recurse = true; // a folder import descends into subfolders

    static ImportOptions FromSettings(const CAppSettings& settings) {
        ImportOptions options;
        options.source = settings.ImportSource;
        options.correctNames = settings.ImportApplyTools != 0;
        options.useV2 = settings.UseID3v2 != 0;
        options.generateFingerprint = settings.ImportGenerateTRM != 0;
        options.proxyAddress = settings.MusicBrainzProxyURL;
        options.proxyPort = settings.MusicBrainzProxyPort;
        options.allowAllFiles = settings.AllowAllFiles != 0;
        options.extensions = ParseImportExtensions(settings.ImportExtensions);
        options.recurse = settings.RecurseSubDirs != 0;
        return options;
    }
};

} // namespace tunebay
