#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "scene/ResolvePath.hpp"
#include "ui/Translation.hpp"

using ui::ChooseLanguage;

TEST(Translation, TheLanguageComesFromTheOptionThenTheDesktopsVariablesInTheirOrder) {
    EXPECT_EQ(ChooseLanguage(std::string("fr"), "de", "it_IT.UTF-8", nullptr, nullptr), "fr");
    EXPECT_EQ(ChooseLanguage(std::nullopt, "pt_BR:pt:en", "it_IT.UTF-8", nullptr, nullptr), "pt_BR");
    EXPECT_EQ(ChooseLanguage(std::nullopt, "", "it_IT.UTF-8", "nl_NL", "de_DE"), "it_IT");
    EXPECT_EQ(ChooseLanguage(std::nullopt, nullptr, "", "nl_NL.UTF-8@euro", "de_DE"), "nl_NL");
    EXPECT_EQ(ChooseLanguage(std::nullopt, nullptr, nullptr, nullptr, "de_DE.UTF-8"), "de_DE");
    // Nothing, C and POSIX are English; a name that could reach a path is refused.
    EXPECT_EQ(ChooseLanguage(std::nullopt, nullptr, nullptr, nullptr, nullptr), "");
    EXPECT_EQ(ChooseLanguage(std::nullopt, nullptr, "C.UTF-8", nullptr, nullptr), "");
    EXPECT_EQ(ChooseLanguage(std::nullopt, nullptr, nullptr, nullptr, "POSIX"), "");
    EXPECT_EQ(ChooseLanguage(std::string("../../etc"), nullptr, nullptr, nullptr, nullptr), "");
    EXPECT_EQ(ChooseLanguage(std::nullopt, "de/../x", nullptr, nullptr, nullptr), "");
}

TEST(Translation, EnglishFillsItsDirectivesInOrderOrByNumber) {
    ui::SetUpTranslations("", "");
    EXPECT_EQ(ui::Tr("Quit the game?"), "Quit the game?");
    EXPECT_EQ(ui::TrFormat("Streak: %s, best %s", {"3 days", "5 days"}), "Streak: 3 days, best 5 days");
    EXPECT_EQ(ui::TrFormat("%2$s before %1$s, 100%%", {"a", "b"}), "b before a, 100%");
    // A directive without its value is left out; a stray one stays as it is.
    EXPECT_EQ(ui::TrFormat("%s and %s", {"one"}), "one and ");
    EXPECT_EQ(ui::TrFormat("50%x %", {}), "50%x %");
    EXPECT_EQ(ui::TrCount("%d day", "%d days", 1), "1 day");
    EXPECT_EQ(ui::TrCount("%d day", "%d days", 0), "0 days");
    EXPECT_EQ(ui::TrCount("%d day", "%d days", 12), "12 days");
}

TEST(Translation, TheGermanCatalogueAnswersInTheGamesCodePage) {
    const std::string locale = scene::ExecutableFolder() + "locale";
    ui::SetUpTranslations(locale, "de_DE");
    EXPECT_EQ(ui::Tr("Yes"), "Ja");
    // Code page 1252: a sharp s is one byte.
    EXPECT_EQ(ui::Tr("Have fun!"), "Viel Spa\xDF!");
    EXPECT_EQ(ui::TrCount("%d day", "%d days", 1), "1 Tag");
    EXPECT_EQ(ui::TrCount("%d day", "%d days", 2), "2 Tage");
    EXPECT_EQ(ui::TrFormat("Current streak: %s", {"2 Tage"}), "Aktuelle Serie: 2 Tage");
    // A text the catalogue lacks stays English.
    EXPECT_EQ(ui::Tr("No such text in any catalogue"), "No such text in any catalogue");
    ui::SetUpTranslations(locale, "");
    EXPECT_EQ(ui::Tr("Yes"), "Yes");
}
