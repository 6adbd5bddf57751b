#pragma once

#include <vector>

#include "ui/ODialog.hpp"

namespace ui {
class OButton;
}
namespace scene {
class OGraph;
}

namespace game {

// The rules of the game and a "Play" button, which holds the focus so that Enter closes
// the window at once. A second page lists every key and gamepad button: the "Keys" button
// or F1 shows it, and there the same button ("Rules") or F1 goes back. Escape closes the
// window from either page.
class OWndHelp : public ui::ODialog {
public:
    static constexpr int kWidth = 690;
    static constexpr int kHeight = 500;

    enum class Page : std::uint8_t { Rules, Keys };

    OWndHelp(engine::OWindow* owner, const engine::CreationParams& params, Page first = Page::Rules);

    bool Start() override;
    void ControlEvent(engine::WindowControl* sender, int code) override;
    // F1 turns to the other page.
    void KeyDown(int code, int x, int y) override;

    // Shows the keys page (the gamepad's Back button); takes the window's lock.
    void ShowKeysPage();
    void ShowRulesPage();
    Page ShownPage() const { return m_page; }

    ui::OButton* PlayButton() const { return m_play; }
    // "Keys" on the rules page, "Rules" on the keys page.
    ui::OButton* PageButton() const { return m_pageButton; }

    // The title and the paragraphs, as shown.
    static const char* const kTitle;
    static const char* const kParagraphs[6];
    // The keys page: its title, and each group's name with its keys.
    static const char* const kKeysTitle;
    struct KeyGroup {
        const char* name;
        const char* keys;
    };
    static const KeyGroup kKeyGroups[5];

protected:
    void Cancel() override;

private:
    void ShowPage(Page page);
    // Writes the words of a page and returns them, shown.
    std::vector<scene::OGraph*> WriteRules();
    std::vector<scene::OGraph*> WriteKeys();

    Page m_page = Page::Rules;
    ui::OButton* m_play = nullptr;
    ui::OButton* m_pageButton = nullptr;
    // Each page's words; the keys page is written the first time it is shown.
    std::vector<scene::OGraph*> m_rulesWords;
    std::vector<scene::OGraph*> m_keysWords;
};

} // namespace game
