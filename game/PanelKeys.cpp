#include "game/PanelKeys.hpp"

#include "platform/KeyCodes.hpp"

namespace game {

GamePanel::Button PanelButtonForKey(int code) {
    using Button = GamePanel::Button;
    switch (code) {
    case 'N':
        return Button::New;
    case 'L':
        return Button::Level;
    case 'O':
    case platform::Key_F3:
        return Button::Options;
    case 'T':
    case platform::Key_F2:
        return Button::Scores;
    case 'R':
    case platform::Key_F1:
        return Button::Help;
    case 'M':
        return Button::Games;
    case 'Q':
        return Button::Close;
    case 'D':
        return Button::Daily;
    case 'S':
        return Button::Statistics;
    default:
        return Button::None;
    }
}

} // namespace game
