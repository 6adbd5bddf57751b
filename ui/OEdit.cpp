#include "ui/OEdit.hpp"

#include <string_view>

#include <algorithm>

#include "engine/OWindow.hpp"
#include "platform/KeyCodes.hpp"
#include "scene/OBitmap.hpp"

namespace ui {

using scene::OClip;
using scene::OGraph;

namespace {

// A 3-pixel black bar; the first frame draws it, the second frame keys its black out.
scene::OBitmap* caretFrame(int height, bool drawn) {
    auto* frame = new scene::OBitmap;
    frame->CreateBlank(float(OEdit::kCaretWidth), float(height));
    frame->SetColourKey(drawn ? 0x00FFFFFF : 0);
    return frame;
}

} // namespace

OEdit::OEdit(const std::string& text, const std::optional<std::string>& skinFile, int firstNormal, int firstHover,
             int firstPressed, bool focusable, const std::string& defaultSkin)
    : OButton(text, skinFile, firstNormal, firstHover, firstPressed, focusable, defaultSkin) {
    m_caret = new OClip;
    m_caret->SetFramesPerSecond(kCaretFramesPerSecond);
    m_caret->SetVisible(false);
    AddChild(m_caret);
    m_needsUpdate = true;
}

int OEdit::TextLength() const { return IsLive(Caption()) ? int(Caption()->GetText().size()) : 0; }

void OEdit::ReleaseContent() {
    OButton::ReleaseContent();
    m_caret = nullptr;
}

OGraph* OEdit::Clone() {
    auto* copy = new OEdit;
    copy->CopyControl(*this);
    copy->FindParts();
    copy->m_caretPosition = m_caretPosition;
    copy->m_caret = copy->FrameCount() >= 5 ? dynamic_cast<OClip*>(copy->Frame(4)) : nullptr;
    if (!copy->m_caret) {
        copy->m_caret = new OClip;
        copy->m_caret->SetFramesPerSecond(kCaretFramesPerSecond);
        copy->AddChild(copy->m_caret);
    }
    copy->m_caret->SetVisible(false);
    return copy;
}

void OEdit::AttachWindow(scene::SceneHost* window) {
    if (IsBeingDestroyed() || window == m_window) return;
    OText* caption = Caption();
    if (window && IsLive(caption)) {
        caption->SetAutoSize(true);
        caption->AttachWindow(window);
        float textHeight = caption->Height();
        if (caption->GetText().empty()) {
            caption->SetText(" ");
            textHeight = caption->Height();
            caption->SetText("");
        }
        const float height = std::max(0.0f, std::min(textHeight, m_height - 2));
        caption->SetAutoSize(false);
        caption->SetSize(m_width - (m_height - height), height, caption->Depth());
        caption->SetPosition((m_width - caption->Width()) / 2, (m_height - height) / 2, caption->RelativeZ());

        if (IsLive(m_caret)) {
            m_caret->SetVisible(false);
            m_caret->ReleaseContent();
            m_caret->AddChild(caretFrame(scene::TruncateToInt(height), true));
            m_caret->AddChild(caretFrame(scene::TruncateToInt(height), false));
            m_caret->SetFramesPerSecond(kCaretFramesPerSecond);
        }
        SetCaret(TextLength());
    }
    OGroup::AttachWindow(window);
}

void OEdit::SetText(const std::string& text) {
    OButton::SetText(text);
    SetCaret(m_caretPosition);
}

void OEdit::SetCaret(int position) {
    OText* caption = Caption();
    if (!IsLive(caption)) return;
    const int length = TextLength();
    position = std::clamp(position, 0, length);
    const int first = caption->FirstVisible();
    const int last = caption->LastFullyVisible();
    if (position < first) {
        caption->SetFirstVisible(position);
    } else if (position > last) {
        if (position < length)
            caption->SetFirstVisible(position + first - last);
        else if (length > 0 && float(caption->CharacterExtent(length - 1).right) >= caption->Width())
            caption->SetFirstVisible(first + position - last);
    }
    // With characters of different widths one scroll step may fall short; go on until the
    // caret is inside the caption.
    auto outside = [&] {
        const OText::Extent extent = caption->CharacterExtent(position);
        return float(position < length ? extent.right : extent.left) >= caption->Width();
    };
    while (caption->FirstVisible() < position && caption->FirstVisible() + 1 < length && outside()) {
        const int before = caption->FirstVisible();
        caption->SetFirstVisible(before + 1);
        if (caption->FirstVisible() == before) break;
    }
    m_caretPosition = position;
    PlaceCaret();
    m_needsUpdate = true;
}

void OEdit::PlaceCaret() {
    OText* caption = Caption();
    if (!IsLive(caption) || !IsLive(m_caret)) return;
    const OText::Extent extent = caption->CharacterExtent(m_caretPosition);
    m_caret->SetPosition(caption->RelativeX() + float(extent.left), caption->RelativeY() + float(extent.top),
                         caption->RelativeZ());
}

void OEdit::DeleteAt(int index) {
    OText* caption = Caption();
    const int length = TextLength();
    if (!IsLive(caption) || index < 0 || index >= length) return;
    if (index < m_caretPosition) SetCaret(index);
    std::string text = caption->GetText();
    text.erase(std::size_t(index), 1);
    caption->SetText(text);
    // A text that shrinks to its first visible character scrolls back by one, which moves
    // every character under the caret.
    PlaceCaret();
    m_needsUpdate = true;
}

void OEdit::OnKeyDown(int code, int x, int y) {
    switch (code) {
    case platform::Key_LButton:
        if (OText* caption = Caption(); IsLive(caption))
            SetCaret(caption->CharacterAt(x - scene::TruncateToInt(caption->RelativeX())));
        break;
    case platform::Key_Backspace: DeleteAt(m_caretPosition - 1); break;
    case platform::Key_End: SetCaret(TextLength()); break;
    case platform::Key_Home: SetCaret(0); break;
    case platform::Key_Left: SetCaret(m_caretPosition - 1); break;
    case platform::Key_Right: SetCaret(m_caretPosition + 1); break;
    case platform::Key_Delete: DeleteAt(m_caretPosition); break;
    default: break;
    }
    OButton::OnKeyDown(code, x, y);
}

void OEdit::CycleCharacter(int step) {
    OText* caption = Caption();
    if (!IsLive(caption)) return;
    std::string text = caption->GetText();
    const std::string_view cycle = kCycledCharacters;
    const std::size_t at = std::size_t(std::clamp(m_caretPosition, 0, int(text.size())));
    if (at == text.size()) {
        text.push_back(cycle.front());
    } else {
        // A character outside the cycle steps from its start.
        const std::size_t found = cycle.find(text[at]);
        const int count = int(cycle.size());
        const int index = found == std::string_view::npos ? (step > 0 ? count - 1 : 0) : int(found);
        text[at] = cycle[std::size_t(((index + step) % count + count) % count)];
    }
    caption->SetText(text);
    SetCaret(int(at));
    m_needsUpdate = true;
    UpdateState();
}

void OEdit::OnChar(std::uint8_t ch) {
    // Backspace, Tab, Enter and Escape arrive as keys.
    if (ch < 32) return;
    OText* caption = Caption();
    if (!IsLive(caption)) return;
    std::string text = caption->GetText();
    const std::size_t at = std::size_t(std::clamp(m_caretPosition, 0, int(text.size())));
    text.insert(at, 1, char(ch));
    caption->SetText(text);
    SetCaret(int(at) + 1);
    m_needsUpdate = true;
    UpdateState();
}

void OEdit::RestartCaret() {
    // Attaching a clip again starts it on its first frame; hidden, it reports nothing.
    m_caret->SetVisible(false);
    scene::SceneHost* window = m_window;
    m_caret->AttachWindow(nullptr);
    m_caret->AttachWindow(window);
    m_caret->SetVisible(true);
}

void OEdit::UpdateState() {
    if (!m_needsUpdate && (m_state == m_previousState || !m_window)) return;
    m_needsUpdate = false;
    if (IsLive(m_caret)) {
        if (m_state & kFocused) {
            if (m_window)
                RestartCaret();
            else
                m_caret->SetVisible(true);
        } else {
            m_caret->SetVisible(false);
        }
    }
    OButton::UpdateState();
}

} // namespace ui
