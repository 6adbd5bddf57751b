#include "ControlRouter.hpp"

#include <algorithm>

#include "engine/SceneList.hpp"
#include "platform/KeyCodes.hpp"
#include "scene/Rect.hpp"

namespace engine {

using scene::OGraph;

namespace {

WindowControl* liveControl(OGraph* graph) {
    return OGraph::IsLive(graph) ? dynamic_cast<WindowControl*>(graph) : nullptr;
}

int localX(WindowControl* c, int x) {
    return scene::TruncateToInt(double(x) - c->Graph()->X());
}
int localY(WindowControl* c, int y) {
    return scene::TruncateToInt(double(y) - c->Graph()->Y());
}

// A listed entry that may take the focus a key moves.
WindowControl* steppableControl(OGraph* entry) {
    WindowControl* control = liveControl(entry);
    return control && control->IsFocusable() && entry->IsVisible() ? control : nullptr;
}

} // namespace

OGraph* FocusEntry(const std::vector<OGraph*>& order, WindowControl* focus) {
    if (!focus) return nullptr;
    for (OGraph* graph = focus->Graph(); OGraph::IsLive(graph); graph = graph->Parent())
        if (std::find(order.begin(), order.end(), graph) != order.end()) return graph;
    return nullptr;
}

WindowControl* SteppedFocus(const std::vector<OGraph*>& order, WindowControl* focus, FocusStep step) {
    const std::size_t count = order.size();
    if (count == 0) return nullptr;
    const bool forward = step == FocusStep::Forward;
    const OGraph* entry = FocusEntry(order, focus);
    const auto held = std::find(order.begin(), order.end(), entry);
    // Without an entry the walk starts just outside the list, so that its first step lands on
    // the first entry forward and on the last one backward.
    std::size_t start = forward ? count - 1 : 0;
    if (held != order.end()) start = std::size_t(held - order.begin());
    for (std::size_t k = 1; k <= count; ++k) {
        const std::size_t index = forward ? (start + k) % count : (start + count - k) % count;
        if (WindowControl* control = steppableControl(order[index])) return control;
    }
    return nullptr;
}

int ControlRouter::Add(OGraph* control) {
    m_controls.push_back(control);
    return 10000 + int(m_controls.size());
}

void ControlRouter::Remove(OGraph* object) {
    if (m_capture && m_capture->Graph() == object) SetCapture(nullptr);
    if (m_focus && m_focus->Graph() == object) SetFocus(nullptr);
    if (const auto it = std::find(m_controls.begin(), m_controls.end(), object); it != m_controls.end())
        SceneList::MoveUp(m_controls, m_controls.erase(it));
}

std::vector<OGraph*> ControlRouter::TakeAll() {
    std::vector<OGraph*> taken;
    taken.swap(m_controls);
    return taken;
}

void ControlRouter::SetCapture(WindowControl* control) {
    if (control == m_capture) return;
    if (m_capture && OGraph::IsLive(m_capture->Graph())) m_capture->OnCaptureChange(control);
    m_capture = control;
    if (control) {
        m_pointer.TakePointer();
        control->OnCaptureChange(control);
    } else {
        m_pointer.ReleasePointer();
    }
}

void ControlRouter::SetFocus(WindowControl* control) {
    if (control && !control->IsFocusable()) return;
    if (control == m_focus) return;
    if (m_focus && OGraph::IsLive(m_focus->Graph())) m_focus->OnFocusChange(control);
    m_focus = control;
    if (control) control->OnFocusChange(control);
}

void ControlRouter::FocusNext() {
    std::size_t start = 0;
    if (m_focus && OGraph::IsLive(m_focus->Graph())) {
        OGraph* top = m_focus->Graph();
        while (OGraph::IsLive(top->Parent())) top = top->Parent();
        const auto it = std::find(m_controls.begin(), m_controls.end(), top);
        start = it == m_controls.end() ? 1 : std::size_t(it - m_controls.begin()) + 1;
    }
    for (std::size_t i = start; i < m_controls.size(); ++i) {
        WindowControl* control = liveControl(m_controls[i]);
        if (control && control->IsFocusable()) {
            SetFocus(control);
            return;
        }
    }
    SetFocus(nullptr);
}

void ControlRouter::Forget() {
    m_focus = nullptr;
    m_capture = nullptr;
}

void ControlRouter::MouseMove(int x, int y) {
    if (WindowControl* capture = m_capture) {
        capture->OnMouseMove(localX(capture, x), localY(capture, y));
        return;
    }
    // The count is read again at each step: a control may add or remove others.
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        WindowControl* control = liveControl(m_controls[i]);
        if (!control) continue;
        const int lx = localX(control, x), ly = localY(control, y);
        if (control->HitTest(lx, ly)) {
            control->OnMouseMove(lx, ly);
            if (m_capture) return;
        }
    }
}

void ControlRouter::KeyDown(int code, int x, int y) {
    if (m_capture && platform::IsMouseButton(code)) {
        m_capture->OnKeyDown(code, localX(m_capture, x), localY(m_capture, y));
        return;
    }
    if (m_focus && !platform::IsMouseButton(code)) {
        m_focus->OnKeyDown(code, localX(m_focus, x), localY(m_focus, y));
        return;
    }
    if (code == platform::Key_Tab && !m_focus) FocusNext();
}

void ControlRouter::KeyUp(int code, int x, int y) {
    if (m_capture && platform::IsMouseButton(code)) {
        m_capture->OnKeyUp(code, localX(m_capture, x), localY(m_capture, y));
        return;
    }
    if (m_focus && !platform::IsMouseButton(code))
        m_focus->OnKeyUp(code, localX(m_focus, x), localY(m_focus, y));
}

void ControlRouter::Char(std::uint8_t ch) {
    if (m_focus) m_focus->OnChar(ch);
}

bool ControlRouter::Claims(int x, int y) const {
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        WindowControl* control = liveControl(m_controls[i]);
        if (control && control->HitTest(localX(control, x), localY(control, y))) return true;
    }
    return false;
}

} // namespace engine
