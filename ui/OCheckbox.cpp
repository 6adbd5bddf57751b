#include "ui/OCheckbox.hpp"

#include "engine/OWindow.hpp"
#include "ui/OButton.hpp"

namespace ui {

using scene::OGraph;

OCheckbox::OCheckbox(OControl* first, OControl* second, bool focusable, const std::string& defaultSkin) {
    m_focusable = focusable;
    if (!IsLive(first) || !IsLive(second) || first == second) {
        // Whatever was given is ours; a half-given pair is not used.
        if (IsLive(first)) OGraph::Release(first);
        if (IsLive(second) && second != first) OGraph::Release(second);
        // Frames 0-2 are the unchecked state and 3-5 the checked one; each state's pressed
        // image stops at its own last frame, or an animated skin would play the next state's.
        first = new OButton("", defaultSkin, 0, 1, 2, 3, focusable, kDefaultButtonSkin);
        second = new OButton("", defaultSkin, 3, 4, 5, 6, focusable, kDefaultButtonSkin);
    }
    first->SetVisible(true);
    second->SetVisible(false);
    AddChild(first);
    AddChild(second);
}

OGraph* OCheckbox::Clone() {
    auto* copy = new OCheckbox;
    copy->CopyControl(*this);
    copy->m_current = m_current;
    return copy;
}

OGraph* OCheckbox::CurrentState() const { return Frame(CurrentIndex()); }

OControl* OCheckbox::CurrentStateControl() const {
    OGraph* state = CurrentState();
    return IsLive(state) ? dynamic_cast<OControl*>(state) : nullptr;
}

int OCheckbox::CurrentIndex() const { return m_current >= 0 && m_current < FrameCount() ? m_current : 0; }

int OCheckbox::ToStateX(int x) const {
    const OControl* state = CurrentStateControl();
    return state ? x - scene::TruncateToInt(double(state->X()) - m_x) : x;
}

int OCheckbox::ToStateY(int y) const {
    const OControl* state = CurrentStateControl();
    return state ? y - scene::TruncateToInt(double(state->Y()) - m_y) : y;
}

void OCheckbox::NotifyDisplay(OGraph* origin, scene::Visibility visibility, const scene::Rect*) {
    NotifyOwnArea(origin, visibility);
}

bool OCheckbox::HitTest(int x, int y) {
    if (!m_visible || FrameCount() == 0) return false;
    if (OControl* state = CurrentStateControl()) return state->HitTest(ToStateX(x), ToStateY(y));
    return OControl::HitTest(x, y);
}

void OCheckbox::OnCaptureChange(engine::WindowControl* capture) {
    OControl* state = CurrentStateControl();
    engine::OWindow* window = OwnerWindow();
    if (capture == this && state && window) {
        // The state control takes the capture; the window then tells this check box that it
        // lost it, which settles the check box's own bits.
        window->SetCaptureControl(state);
        return;
    }
    OControl::OnCaptureChange(capture);
}

void OCheckbox::OnMouseMove(int x, int y) {
    if (OControl* state = CurrentStateControl())
        state->OnMouseMove(ToStateX(x), ToStateY(y));
    else
        OControl::OnMouseMove(x, y);
}

void OCheckbox::OnFocusChange(engine::WindowControl* focus) {
    OControl* state = CurrentStateControl();
    if (focus == this && state) {
        if (engine::OWindow* window = OwnerWindow(); window && state->IsFocusable()) window->SetFocusControl(state);
        return;
    }
    OControl::OnFocusChange(focus);
}

void OCheckbox::OnKeyDown(int code, int x, int y) {
    if (OControl* state = CurrentStateControl())
        state->OnKeyDown(code, ToStateX(x), ToStateY(y));
    else
        OControl::OnKeyDown(code, x, y);
}

void OCheckbox::OnKeyUp(int code, int x, int y) {
    if (OControl* state = CurrentStateControl())
        state->OnKeyUp(code, ToStateX(x), ToStateY(y));
    else
        OControl::OnKeyUp(code, x, y);
}

void OCheckbox::OnChar(std::uint8_t ch) {
    if (OControl* state = CurrentStateControl())
        state->OnChar(ch);
    else
        OControl::OnChar(ch);
}

void OCheckbox::SetText(const std::string& text) {
    for (int i = 0; i < FrameCount(); ++i) {
        OGraph* state = Frame(i);
        if (!IsLive(state)) continue;
        if (auto* control = dynamic_cast<OControl*>(state)) control->SetText(text);
    }
}

std::string OCheckbox::GetText() const {
    const OControl* state = CurrentStateControl();
    return state ? state->GetText() : std::string();
}

void OCheckbox::Notify(OControl* sender, int code) {
    OControl::Notify(this, code);
    // A handler may have released the check box.
    if (!IsLive(this) || IsBeingDestroyed()) return;
    if (IsLive(sender) && sender != this) {
        m_state = sender->State();
        m_previousState = sender->State();
    }
    if (code == kEventClick && FrameCount() > 0) SetState(CurrentIndex() + 1);
}

void OCheckbox::SetState(int index) {
    const int count = FrameCount();
    if (count == 0) return;
    OGraph* current = CurrentState();
    const OControl* currentControl = CurrentStateControl();
    const std::uint8_t bits = currentControl ? currentControl->State() : m_state;
    if (IsLive(current)) current->SetVisible(false);
    m_current = index >= 0 && index < count ? index : 0;
    OGraph* next = CurrentState();
    if (IsLive(next)) next->SetVisible(true);

    engine::OWindow* window = OwnerWindow();
    if (!window) return;
    engine::WindowControl* holder = CurrentStateControl();
    if (!holder) holder = this;
    if (bits & kFocused) window->SetFocusControl(holder);
    if (bits & kCaptured) window->SetCaptureControl(holder);
}

} // namespace ui
