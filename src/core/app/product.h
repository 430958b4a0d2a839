#pragma once

namespace tunebay {

// The product's own texts, shown in titles, message captions, the About box and written tags.
inline constexpr const char* kProductName = "Tunebay";
inline constexpr const char* kProductVersionText = "Tunebay 1.53";
inline constexpr const char* kProductWebsite = "https://tunebay.org/";
inline constexpr const char* kCompanyName = "Plenwick";

} // namespace tunebay
