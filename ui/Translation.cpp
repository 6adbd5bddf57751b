#include "ui/Translation.hpp"

#include <clocale>
#include <cstdlib>
#include <libintl.h>

namespace ui {

namespace {

constexpr const char* kDomain = "hoopstack";
bool translating = false;

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

} // namespace

std::string ChooseLanguage(const std::optional<std::string>& chosen, const char* languageList,
                           const char* all, const char* messages, const char* lang) {
    std::string name;
    if (chosen) {
        name = *chosen;
    } else if (IsSet(languageList)) {
        name = languageList;
        name = name.substr(0, name.find(':'));
    } else {
        for (const char* value : {all, messages, lang})
            if (IsSet(value)) {
                name = value;
                break;
            }
    }
    name = name.substr(0, name.find_first_of(".@"));
    if (name == "C" || name == "POSIX") return {};
    // A catalogue's name is letters, digits and '_' only: nothing else may reach a file path.
    for (const char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return {};
    return name;
}

void SetUpTranslations(const std::string& localeFolder, const std::string& language) {
    translating = !language.empty() && language != "en";
    if (!translating) return;
    // gettext takes the catalogue from LANGUAGE once the messages' locale is not plain "C";
    // C.UTF-8 is built into the C library, so no system locale for the language is needed.
    ::setenv("LANGUAGE", language.c_str(), 1);
    std::setlocale(LC_MESSAGES, "C.UTF-8");
    ::bindtextdomain(kDomain, localeFolder.c_str());
    ::bind_textdomain_codeset(kDomain, "CP1252");
}

namespace {

// Replaces "%s", "%N$s" and "%d" (the count) in a translated text; "%%" is a percent sign.
std::string Substitute(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        std::size_t j = i + 1;
        std::size_t index = next;
        if (text[j] >= '1' && text[j] <= '9' && text.substr(j + 1, 2) == "$s") {
            index = std::size_t(text[j] - '1');
            j += 2;
        } else if (text[j] == 's' || text[j] == 'd') {
            ++next;
        } else {
            out += text[j] == '%' ? "%" : text.substr(i, 2);
            i = j;
            continue;
        }
        if (index < values.size()) out += *(values.begin() + std::ptrdiff_t(index));
        i = j;
    }
    return out;
}

} // namespace

std::string TrFormat(const char* english, std::initializer_list<std::string_view> values) {
    return Substitute(Tr(english), values);
}

std::string TrCount(const char* one, const char* many, long count) {
    const char* text = count == 1 ? one : many;
    if (translating)
        text = ::dngettext(kDomain, one, many, static_cast<unsigned long>(count < 0 ? -count : count));
    const std::string number = std::to_string(count);
    return Substitute(text, {number});
}

std::string Tr(const char* english) {
    if (!translating || english == nullptr || *english == '\0') return english ? english : "";
    return ::dgettext(kDomain, english);
}

} // namespace ui
