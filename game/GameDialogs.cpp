#include "game/GameDialogs.hpp"

#include <cstddef>
#include <iterator>
#include <string>

#include "game/OWndDailyResult.hpp"
#include "game/OWndExit.hpp"
#include "game/OWndExitLevel.hpp"
#include "game/OWndHelp.hpp"
#include "game/OWndOptions.hpp"
#include "game/OWndResult.hpp"
#include "game/OWndScores.hpp"
#include "game/OWndStatistics.hpp"

namespace game {

namespace {

// Opens dialog D at its own size over the context's owner; null when it did not open.
template <class D, class... Args>
ui::ODialog* Open(const GameDialogContext& context, Args&&... args) {
    return ui::ODialog::Open<D>(context.owner, D::kWidth, D::kHeight, std::forward<Args>(args)...);
}

struct GameDialogEntry {
    GameDialog which;
    const char* name;
    ui::ODialog* (*open)(const GameDialogContext& context);
};

// Every dialog of the game window: adding one is its file pair, its name in GameDialog and one
// line here.
constexpr GameDialogEntry kDialogs[] = {
    {GameDialog::Rules, "rules", [](const GameDialogContext& c) { return Open<OWndHelp>(c); }},
    {GameDialog::Quit, "quit", [](const GameDialogContext& c) { return Open<OWndExit>(c, c.actions.quit); }},
    {GameDialog::Level, "level",
     [](const GameDialogContext& c) { return Open<OWndExitLevel>(c, c.actions.changeLevel); }},
    {GameDialog::Options, "options",
     [](const GameDialogContext& c) { return Open<OWndOptions>(c, c.actions.keepSettings); }},
    {GameDialog::Scores, "scores",
     [](const GameDialogContext& c) { return Open<OWndScores>(c, std::to_string(c.level)); }},
    {GameDialog::Result, "result",
     [](const GameDialogContext& c) { return Open<OWndResult>(c, c.score, c.level, c.replay); }},
    {GameDialog::Keys, "keys",
     [](const GameDialogContext& c) { return Open<OWndHelp>(c, OWndHelp::Page::Keys); }},
    {GameDialog::DailyResult, "daily-result",
     [](const GameDialogContext& c) { return Open<OWndDailyResult>(c, c.daily, c.replay); }},
    {GameDialog::Statistics, "statistics",
     [](const GameDialogContext& c) { return Open<OWndStatistics>(c, c.statistics, c.today); }},
};

// The table holds every dialog once, in the enum's order, so that a dialog indexes its line.
constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < std::size(kDialogs); ++i)
        if (static_cast<std::size_t>(kDialogs[i].which) != i) return false;
    return true;
}
static_assert(InEnumOrder(), "kDialogs must list the dialogs in the order of GameDialog");
static_assert(std::size(kDialogs) == static_cast<std::size_t>(GameDialog::Count),
              "every GameDialog needs its line in kDialogs");

const GameDialogEntry* Find(GameDialog which) {
    const auto index = static_cast<std::size_t>(which);
    return index < std::size(kDialogs) ? &kDialogs[index] : nullptr;
}

} // namespace

const char* DialogName(GameDialog which) {
    const GameDialogEntry* entry = Find(which);
    return entry ? entry->name : "";
}

void OpenGameDialog(GameDialog which, const GameDialogContext& context) {
    const GameDialogEntry* entry = Find(which);
    if (!entry) return;
    ui::ODialog* dialog = entry->open(context);
    if (dialog && context.keysFirst) dialog->SetKeysFirst(context.keysFirst);
    if (dialog && context.byKey) dialog->UseKeys();
}

} // namespace game
