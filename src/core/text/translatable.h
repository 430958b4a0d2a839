#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

// Marks a text that the window shows to the user. The core keeps the English text as it is; the
// translation template collects every marked text under its context (the build tells lupdate
// that this macro is one of its no-op markers), and the window looks the text up under that
// context when it shows it. The core itself never translates.
#define TB_TRANSLATE_NOOP(context, text) text

namespace tunebay {

// The context of every text the core hands to the window.
inline constexpr const char* kCoreTextContext = "Tunebay";

// How the reader of a message that the core puts together words its marked parts: the window
// passes its translation, every other reader nothing, and the texts stay as they are marked.
using TextLookup = std::function<std::string(const char* text)>;

// `text` as `lookup` words it; `text` itself without a lookup.
std::string Worded(const TextLookup& lookup, const char* text);

// `format` with each "%d" replaced by the next of `numbers`, in order; a "%d" beyond the numbers
// stays. Unlike printf a translated format cannot make it read what it was not given.
std::string FillNumbers(std::string format, std::initializer_list<long long> numbers);

// `pattern` with each "%1" to "%9" replaced by that one of `texts` (a translation may put them
// in another order). A filled text is never read for marks again, and a mark beyond the texts
// stays as it is.
std::string FillTexts(std::string_view pattern, std::initializer_list<std::string_view> texts);

} // namespace tunebay
