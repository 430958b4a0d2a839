#pragma once

#include "output/statistics_charts.h"

#include <string>
#include <vector>

namespace tunebay {

// Writes the charts as an SVG or a PNG picture, by the extension of `path` (".svg", ".png"), in
// a light palette. The picture is made complete in memory and then written, so a failed write
// leaves no half picture behind. Needs a QGuiApplication. False with `error` set otherwise.
bool WriteChartsFile(const std::string& path, const std::vector<StatisticsChart>& charts,
                     std::string& error);

} // namespace tunebay
