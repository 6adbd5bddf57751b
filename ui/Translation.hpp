#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

// The program's texts in the player's language. The English texts, exactly as they stand, are
// the keys of GNU gettext catalogues ("hoopstack.mo" under LANG/LC_MESSAGES of the locale
// folder); a text without a translation, or an unknown language, stays English. Texts come
// back in the code page the game draws (1252).

// The language a desktop asks for, as gettext names catalogues ("de", "pt_BR"): `chosen` when
// given, else the first of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES and LANG that is set
// and not empty; the codeset and modifier are dropped ("de_DE.UTF-8@euro" gives "de_DE").
// Empty for English: nothing set, "C" or "POSIX".
std::string ChooseLanguage(const std::optional<std::string>& chosen, const char* languageList,
                           const char* all, const char* messages, const char* lang);

// Makes Tr answer in `language` (as ChooseLanguage gives it; empty for English) from the
// catalogues in `localeFolder`. Call once at start-up, before any window opens.
void SetUpTranslations(const std::string& localeFolder, const std::string& language);

// The text in the chosen language, or `english` itself.
std::string Tr(const char* english);

// The text in the chosen language with its "%s" directives replaced by `values` in order ("%2$s"
// names the second value, so that a translation may put them in its own order). A directive
// without a value is left out.
std::string TrFormat(const char* english, std::initializer_list<std::string_view> values);

// The singular or plural form for `count` in the chosen language ("1 day", "3 days"), with "%d"
// replaced by the count.
std::string TrCount(const char* one, const char* many, long count);

// Marks a text for the catalogues where it cannot be translated yet (a table of constants);
// it is translated where it is shown, with Tr.
constexpr const char* TrLater(const char* english) {
    return english;
}

} // namespace ui
