#include "ui/OText.hpp"

#include <algorithm>

#include "engine/OWindow.hpp"
#include "ui/TextDrawing.hpp"

namespace ui {

using scene::OGraph;

OText::OText(const std::string& text) { SetText(text); }

engine::OWindow* OText::TextWindow() const { return dynamic_cast<engine::OWindow*>(m_window); }

void OText::ReleaseContent() {
    // The size is kept: a text that does not size itself keeps the size it was given.
    m_text.clear();
    m_prefix.clear();
    m_measuredWidth = 0;
    m_measuredHeight = 0;
}

void OText::Measure() {
    if (TextWindow()) {
        // An empty text measures 0 x 0; the cell height is learnt from the first other one.
        if (m_cellHeight < 0 && !m_text.empty()) m_cellHeight = TextHeight(m_text, m_font);
        m_measuredWidth = float(PrefixWidth(int(m_text.size())));
        m_measuredHeight = m_text.empty() ? 0.0f : float(m_cellHeight);
    } else {
        m_measuredWidth = m_width;
        m_measuredHeight = m_height;
    }
}

void OText::SetText(const std::string& text) {
    const bool wasVisible = m_visible;
    SetVisible(false);
    ReleaseContent();
    m_text = text;
    // A text that shrank below its first visible character would show nothing at all.
    if (m_firstVisible >= int(m_text.size())) m_firstVisible = std::max(0, int(m_text.size()) - 1);
    Measure();
    if (m_autoSize) SetSize(m_measuredWidth, m_measuredHeight, 0);
    if (wasVisible) SetVisible(true);
}

void OText::SetFont(const engine::FontRecord& font) {
    m_font = font;
    ForgetWidths();
    const std::string text = m_text;
    SetText(text);
}

void OText::AttachWindow(scene::SceneHost* window) {
    OGraph::AttachWindow(window);
    ForgetWidths();
    Measure();
    if (m_autoSize) SetSize(m_measuredWidth, m_measuredHeight, m_depth);
    Realign();
    if (m_window && m_visible) {
        const scene::Rect bounds = Bounds();
        NotifyDisplay(this, scene::Visibility::Shown, &bounds);
    }
}

OGraph* OText::Clone() {
    auto* copy = new OText;
    copy->m_font = m_font;
    copy->m_autoSize = m_autoSize;
    copy->m_text = m_text;
    copy->m_firstVisible = m_firstVisible;
    copy->m_measuredWidth = m_measuredWidth;
    copy->m_measuredHeight = m_measuredHeight;
    copy->m_alignment = m_alignment;
    copy->m_items = m_items;
    copy->m_colourKey = m_colourKey;
    copy->m_blendLevel = m_blendLevel;
    copy->m_visible = m_visible;
    copy->m_relX = copy->m_x = m_relX;
    copy->m_relY = copy->m_y = m_relY;
    copy->m_relZ = copy->m_z = m_relZ;
    copy->m_width = m_width;
    copy->m_height = m_height;
    copy->m_depth = m_depth;
    copy->m_velocityX = m_velocityX;
    copy->m_velocityY = m_velocityY;
    copy->m_velocityZ = m_velocityZ;
    copy->SaveGeometry();
    return copy;
}

bool OText::SetSize(float width, float height, float depth) {
    if (m_autoSize) {
        width = m_measuredWidth;
        height = m_measuredHeight;
    }
    const bool wasVisible = m_visible;
    SetVisible(false);
    OGraph::SetSize(width, height, depth);
    SetVisible(wasVisible);
    return m_visible == wasVisible;
}

void OText::Draw(scene::Rect* clip) {
    engine::OWindow* window = TextWindow();
    if (!m_visible || !window) return;
    scene::Rect area = clip ? *clip : Bounds();
    OGraph::Draw(&area);
    if (clip) *clip = area;
    const int length = int(m_text.size());
    if (length == 0 || m_firstVisible < 0 || m_firstVisible >= length || area.IsEmpty()) return;
    // Only the characters that start inside the area are handed on, so that a long text
    // costs no more to draw than the part that shows.
    const int left = scene::TruncateToInt(m_x);
    const int start = PrefixWidth(m_firstVisible);
    int end = m_firstVisible;
    while (end < length && left + PrefixWidth(end) - start < area.right) ++end;
    const std::string_view shown =
        std::string_view(m_text).substr(std::size_t(m_firstVisible), std::size_t(end - m_firstVisible));
    DrawTextRange(window->BackBuffer(), shown, m_font, left, scene::TruncateToInt(m_y), area, 0, 0);
}

void OText::ForgetWidths() {
    m_advanceKnown.fill(false);
    m_prefix.clear();
    m_cellHeight = -1;
}

int OText::PrefixWidth(int count) {
    count = std::clamp(count, 0, int(m_text.size()));
    if (m_prefix.size() != m_text.size() + 1) {
        m_prefix.assign(1, 0);
        m_prefix.reserve(m_text.size() + 1);
        for (const char c : m_text) {
            const auto byte = static_cast<unsigned char>(c);
            if (!m_advanceKnown[byte]) {
                m_advance[byte] = TextWidth(std::string_view(&c, 1), m_font);
                m_advanceKnown[byte] = true;
            }
            m_prefix.push_back(m_prefix.back() + m_advance[byte]);
        }
    }
    return m_prefix[std::size_t(count)];
}

void OText::SetFirstVisible(int index) {
    if (!TextWindow() || index < 0 || index >= int(m_text.size()) || index == m_firstVisible) return;
    const bool wasVisible = m_visible;
    SetVisible(false);
    m_firstVisible = index;
    SetVisible(wasVisible);
}

OText::Extent OText::CharacterExtent(int index) {
    Extent extent;
    extent.bottom = scene::TruncateToInt(m_height);
    engine::OWindow* window = TextWindow();
    const int length = int(m_text.size());
    if (!window || length == 0 || index < 0) return extent;
    const int scrolled = PrefixWidth(m_firstVisible);
    if (index < length) {
        extent.left = PrefixWidth(index) - scrolled;
        extent.right = PrefixWidth(index + 1) - scrolled;
    } else {
        extent.left = extent.right = PrefixWidth(length) - scrolled;
    }
    return extent;
}

// Text widths are sums of advances, so edges grow with the index; the searches below find
// the same characters as a walk through every index would.
int OText::CharacterAt(int x) {
    engine::OWindow* window = TextWindow();
    const int length = int(m_text.size());
    if (!window || x < 0 || length == 0) return 0;
    const int scrolled = PrefixWidth(m_firstVisible);
    // The first index from the first visible one whose right edge lies beyond x.
    int low = std::clamp(m_firstVisible, 0, length), high = length;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (PrefixWidth(middle + 1) - scrolled > x)
            high = middle;
        else
            low = middle + 1;
    }
    if (low < length && PrefixWidth(low) - scrolled <= x) return low;
    return length;
}

int OText::LastFullyVisible() {
    engine::OWindow* window = TextWindow();
    const int length = int(m_text.size());
    if (!window || length == 0) return 0;
    const int scrolled = PrefixWidth(m_firstVisible);
    // The last index from the first visible one whose right edge lies inside the width.
    int low = std::clamp(m_firstVisible, 0, length), high = length;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (float(PrefixWidth(middle + 1) - scrolled) < m_width)
            low = middle + 1;
        else
            high = middle;
    }
    return low > m_firstVisible ? low - 1 : 0;
}

} // namespace ui
