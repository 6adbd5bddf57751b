#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ui/OButton.hpp"

namespace ui {

// The one-line text entry field: a button whose caption is the edited text, with a blinking
// caret, cursor keys, character input and horizontal scrolling. The text has no length
// limit. The caret is the fifth child, after the three images and the caption.
class OEdit : public OButton {
public:
    // Blinks a quarter second on and a quarter second off.
    static constexpr int kCaretFramesPerSecond = 4;
    static constexpr int kCaretWidth = 3;

    OEdit(const std::string& text, const std::optional<std::string>& skinFile, int firstNormal, int firstHover,
          int firstPressed, bool focusable, const std::string& defaultSkin);

    void ReleaseContent() override;
    // Fits the caption into the field with equal margins, builds the caret for the text
    // height and puts it after the last character.
    void AttachWindow(scene::SceneHost* window) override;
    scene::OGraph* Clone() override;
    // Keeps the caret inside the new text.
    void SetText(const std::string& text) override;
    bool IsTextEntry() const override { return true; }
    void UpdateState() override;
    // Cursor keys, Backspace, Delete and a click placing the caret, then the button's keys.
    void OnKeyDown(int code, int x, int y) override;
    // Inserts the byte at the caret; bytes below 32 are ignored.
    void OnChar(std::uint8_t ch) override;

    // Moves the caret before character `position` (clamped to the text) and scrolls the
    // text so that the caret stays inside the field.
    void SetCaret(int position);
    // Removes character `index`; nothing outside the text.
    void DeleteAt(int index);
    // Turns the character at the caret into the next (`step` 1) or the previous (-1) of
    // kCycledCharacters, for entry without a keyboard; at the end of the text a first step
    // adds "A" there. The caret stays before the character, so that steps go on changing it.
    void CycleCharacter(int step);
    // The characters CycleCharacter steps through, in order, wrapping around.
    static constexpr const char* kCycledCharacters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -";

    int CaretPosition() const { return m_caretPosition; }
    scene::OClip* Caret() const { return m_caret; }

private:
    OEdit() = default;
    int TextLength() const;
    // Puts the caret at the left edge of the character at the caret position, as the
    // caption's scroll shows it now.
    void PlaceCaret();
    // Shows the caret from its drawn frame at once.
    void RestartCaret();

    std::int32_t m_caretPosition = 0;
    bool m_needsUpdate = true;
    scene::OClip* m_caret = nullptr;
};

} // namespace ui
