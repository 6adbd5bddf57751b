#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/FontRecord.hpp"
#include "scene/OBitmap.hpp"

namespace engine {
class OWindow;
}

namespace ui {

// A single line of text in a font. It measures itself with its window, can size itself to
// its text (AutoSize) and can draw its text from a chosen first character, which is how the
// edit field scrolls. Operations that need a window report zero extents while detached.
class OText : public scene::OBitmap {
public:
    // Horizontal extent of one character, relative to the first visible character.
    struct Extent {
        int left = 0;
        int right = 0;
        int top = 0;
        int bottom = 0;
    };

    explicit OText(const std::string& text = {});

    void ReleaseContent() override;
    void AttachWindow(scene::SceneHost* window) override;
    scene::OGraph* Clone() override;
    // With AutoSize set, the measured size replaces the one asked for.
    bool SetSize(float width, float height, float depth) override;
    void Draw(scene::Rect* clip) override;

    void SetText(const std::string& text);
    const std::string& GetText() const { return m_text; }
    // Replaces the font and measures the text again.
    void SetFont(const engine::FontRecord& font);
    const engine::FontRecord& Font() const { return m_font; }
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize) { m_autoSize = autoSize; }
    float MeasuredWidth() const { return m_measuredWidth; }
    float MeasuredHeight() const { return m_measuredHeight; }

    // Index of the first character drawn.
    int FirstVisible() const { return m_firstVisible; }
    // Takes effect only while attached and for an index inside the text.
    void SetFirstVisible(int index);
    // For index < length the character's edges; for index >= length both edges stand at the
    // end of the text. Top is 0 and bottom the object's height.
    Extent CharacterExtent(int index);
    // The first character from the first visible one whose extent contains x; the length
    // when none does; 0 when detached, for x < 0 or for an empty text.
    int CharacterAt(int x);
    // The last character that lies wholly inside the object's width; 0 when none does.
    int LastFullyVisible();

private:
    engine::OWindow* TextWindow() const;
    void Measure();
    // Width of the first `count` characters in the font.
    int PrefixWidth(int count);
    // Forgets the measured character widths after a change of text, font or window.
    void ForgetWidths();

    std::string m_text;
    float m_measuredWidth = 0;
    float m_measuredHeight = 0;
    int m_firstVisible = 0;
    engine::FontRecord m_font;
    bool m_autoSize = true;
    // Text widths are sums of character advances, so the widths of the leading parts are
    // kept as running sums of the advance of each byte, measured once per font and window.
    std::array<int, 256> m_advance{};
    std::array<bool, 256> m_advanceKnown{};
    std::vector<int> m_prefix;  // m_prefix[k]: width of the first k characters
    // The window's height of a non-empty text is the font's cell height, whatever the
    // characters; -1 until measured.
    int m_cellHeight = -1;
};

} // namespace ui
