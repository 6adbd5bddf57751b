#include "ui/ODialog.hpp"

#include <algorithm>

#include "platform/KeyCodes.hpp"
#include "scene/AssetNames.hpp"
#include "scene/OClip.hpp"
#include "ui/OControl.hpp"
#include "ui/OButton.hpp"
#include "ui/OEdit.hpp"

namespace ui {

namespace {

constexpr const char* kButtonSkin = scene::assets::kDefaultButton;

// What a key does in a dialog before the controls see it.
enum class DialogKeyUse : std::uint8_t { PassOn, FocusForward, FocusBackward, PressAsEnter };

DialogKeyUse dialogKeyUse(int code, bool shiftHeld, bool inTextEntry) {
    switch (code) {
    case platform::Key_Tab:
        return shiftHeld ? DialogKeyUse::FocusBackward : DialogKeyUse::FocusForward;
    case platform::Key_Down:
        return DialogKeyUse::FocusForward;
    case platform::Key_Up:
        return DialogKeyUse::FocusBackward;
    case platform::Key_Right:
        return inTextEntry ? DialogKeyUse::PassOn : DialogKeyUse::FocusForward;
    case platform::Key_Left:
        return inTextEntry ? DialogKeyUse::PassOn : DialogKeyUse::FocusBackward;
    case platform::Key_Space:
        return inTextEntry ? DialogKeyUse::PassOn : DialogKeyUse::PressAsEnter;
    default:
        return DialogKeyUse::PassOn;
    }
}

// Keys that only change what other keys mean; pressed alone they do not show the ring.
bool isModifierKey(int code) {
    return code == platform::Key_Shift || code == platform::Key_Control || code == platform::Key_Alt;
}

} // namespace

bool ODialog::Started(ODialog* dialog) {
    if (dialog->CreateFailed() == 0 && dialog->Start()) return true;
    // Never started, so no frame thread will destroy it; Destroy also frees the owner.
    Destroy(dialog);
    return false;
}

void ODialog::KeyDown(int code, int x, int y) {
    if (m_keysFirst && m_keysFirst(code, true)) return;
    if (code == platform::Key_Escape && !m_ended) Cancel();
    if (platform::IsMouseButton(code)) {
        m_keysInUse = false;
        m_ring.Hide();
        OWindow::KeyDown(code, x, y);
        return;
    }
    if (code == platform::Key_Shift) m_shiftHeld = true;
    if (!isModifierKey(code)) NoteKeyUse(x, y);
    switch (dialogKeyUse(code, m_shiftHeld, FocusInTextEntry())) {
    case DialogKeyUse::FocusForward:
        StepFocus(engine::FocusStep::Forward);
        break;
    case DialogKeyUse::FocusBackward:
        StepFocus(engine::FocusStep::Backward);
        break;
    case DialogKeyUse::PressAsEnter:
        m_spaceAsEnter = true;
        OWindow::KeyDown(platform::Key_Return, x, y);
        break;
    case DialogKeyUse::PassOn:
        OWindow::KeyDown(code, x, y);
        break;
    }
    RefreshRing();
}

void ODialog::KeyUp(int code, int x, int y) {
    if (m_keysFirst) m_keysFirst(code, false);
    if (code == platform::Key_Shift) m_shiftHeld = false;
    if (code == platform::Key_Space && m_spaceAsEnter) {
        m_spaceAsEnter = false;
        code = platform::Key_Return;
    }
    OWindow::KeyUp(code, x, y);
    RefreshRing();
}

void ODialog::MouseMove(int x, int y) {
    // The window system reports the mouse where it rests when a window appears under it;
    // only a real move means that the mouse is in use again.
    if (m_keysInUse && (x != m_keyMouseX || y != m_keyMouseY)) {
        m_keysInUse = false;
        m_ring.Hide();
    }
    OWindow::MouseMove(x, y);
}

void ODialog::PressKey(int code) {
    int x = 0, y = 0;
    GetCursorClient(x, y);
    KeyDown(code, x, y);
    KeyUp(code, x, y);
}

void ODialog::PadStep(platform::PadButton direction) {
    using platform::PadButton;
    if (FocusInTextEntry() && (direction == PadButton::Up || direction == PadButton::Down)) {
        if (auto* edit = dynamic_cast<OEdit*>(FocusControl())) {
            int x = 0, y = 0;
            GetCursorClient(x, y);
            NoteKeyUse(x, y);
            edit->CycleCharacter(direction == PadButton::Up ? 1 : -1);
            RefreshRing();
        }
        return;
    }
    switch (direction) {
    case PadButton::Up:
        PressKey(platform::Key_Up);
        break;
    case PadButton::Down:
        PressKey(platform::Key_Down);
        break;
    case PadButton::Left:
        PressKey(platform::Key_Left);
        break;
    case PadButton::Right:
        PressKey(platform::Key_Right);
        break;
    default:
        break;
    }
}

void ODialog::PadButtonDown(platform::PadButton button) {
    using platform::PadButton;
    std::lock_guard lock(Lock());
    if (IsClosing()) return;
    int x = 0, y = 0;
    GetCursorClient(x, y);
    switch (button) {
    case PadButton::Up:
    case PadButton::Down:
    case PadButton::Left:
    case PadButton::Right:
        PadStep(button);
        m_padHeld.Press(int(button), platform::CurrentPlatform().Milliseconds());
        break;
    case PadButton::A:
        // In the name field A moves on to the answers; elsewhere it presses as Enter does.
        if (FocusInTextEntry()) {
            PressKey(platform::Key_Tab);
        } else {
            m_padEnter = true;
            KeyDown(platform::Key_Return, x, y);
        }
        break;
    case PadButton::B:
        PressKey(platform::Key_Escape);
        break;
    case PadButton::X:
        if (FocusInTextEntry()) PressKey(platform::Key_Backspace);
        break;
    case PadButton::Back:
        PressKey(platform::Key_F1);
        break;
    default:
        break;
    }
    OWindow::PadButtonDown(button);
}

void ODialog::PadButtonUp(platform::PadButton button) {
    std::lock_guard lock(Lock());
    m_padHeld.Release(int(button));
    if (button == platform::PadButton::A && m_padEnter) {
        m_padEnter = false;
        int x = 0, y = 0;
        GetCursorClient(x, y);
        KeyUp(platform::Key_Return, x, y);
    }
    OWindow::PadButtonUp(button);
}

void ODialog::FocusChanged(bool gained) {
    if (!gained) {
        std::lock_guard lock(Lock());
        m_shiftHeld = false;
        m_padHeld.Clear();
    }
    OWindow::FocusChanged(gained);
}

void ODialog::Tick(std::uint32_t time) {
    {
        std::lock_guard lock(Lock());
        if (const std::optional<int> held = m_padHeld.Held(); held && !IsClosing() && !m_ended)
            for (int due = m_padHeld.Due(time); due > 0; --due) PadStep(platform::PadButton(*held));
    }
    OWindow::Tick(time);
}

void ODialog::UseKeys() {
    std::lock_guard lock(Lock());
    if (IsClosing() || m_ended) return;
    if (!FocusControl() && scene::OGraph::IsLive(m_defaultControl)) SetFocusControl(m_defaultControl);
    int x = 0, y = 0;
    GetCursorClient(x, y);
    NoteKeyUse(x, y);
    RefreshRing();
}

void ODialog::SetKeyOrder(std::initializer_list<OControl*> controls) {
    m_keyOrder.assign(controls.begin(), controls.end());
}

std::vector<scene::OGraph*> ODialog::KeyOrder() const {
    const std::vector<scene::OGraph*>& controls = Controls();
    if (m_keyOrder.empty()) return controls;
    // Only controls still in the window take part: one taken out may live on elsewhere.
    std::vector<scene::OGraph*> order;
    for (scene::OGraph* entry : m_keyOrder)
        if (std::find(controls.begin(), controls.end(), entry) != controls.end()) order.push_back(entry);
    return order;
}

void ODialog::StepFocus(engine::FocusStep step) {
    if (engine::WindowControl* next = engine::SteppedFocus(KeyOrder(), FocusControl(), step))
        SetFocusControl(next);
}

void ODialog::NoteKeyUse(int x, int y) {
    m_keysInUse = true;
    m_keyMouseX = x;
    m_keyMouseY = y;
}

bool ODialog::FocusInTextEntry() const {
    engine::WindowControl* focus = FocusControl();
    const auto* control = focus ? dynamic_cast<const OControl*>(focus) : nullptr;
    return control && control->IsTextEntry();
}

void ODialog::RefreshRing() {
    // A dialog that has answered keeps its last picture until it closes.
    if (IsClosing() || m_ended) return;
    scene::OGraph* entry = m_keysInUse ? engine::FocusEntry(KeyOrder(), FocusControl()) : nullptr;
    // A control outside the key order (a box the mouse left focused) gets a ring of its own.
    if (!entry && m_keysInUse && FocusControl()) entry = FocusControl()->Graph();
    if (entry && scene::OGraph::IsLive(entry) && entry->IsVisible())
        m_ring.Surround(*this, entry->Bounds());
    else
        m_ring.Hide();
}

void ODialog::EndDialog() {
    if (m_ended) return;
    m_ended = true;
    SetFinished(true);
    PostClose();
}

OButton* ODialog::MakeButton(const std::string& caption, std::uint32_t colour) {
    // Empty file names fail to load, so all three images come from the default skin.
    auto* button = new OButton(caption, std::string(), std::string(), std::string(), true, kButtonSkin);
    engine::FontRecord font = button->Caption()->Font();
    font.weight = 400;
    font.height = 24;
    font.colour = colour;
    button->Caption()->SetFont(font);
    return button;
}

void ODialog::AddButtonPair(OButton* left, OButton* right, int gap, int margin) {
    const float y = float(Height()) - left->Height() - float(margin);
    left->SetPosition(float(Width() / 2) - left->Width() - float(gap), y, left->RelativeZ());
    right->SetPosition(float(Width() / 2 + gap), y, right->RelativeZ());
    AddObject(left);
    AddObject(right);
    left->Caption()->Realign();
    right->Caption()->Realign();
}

scene::OClip* ODialog::AddCentredPicture(const std::string& file, float y) {
    auto* picture = new scene::OClip;
    if (!picture->LoadFile(file)) {
        scene::OGraph::Release(picture);
        return nullptr;
    }
    picture->SetPosition((float(Width()) - picture->Width()) / 2, y, picture->RelativeZ());
    AddObject(picture);
    return picture;
}

TextLayout ODialog::CentredText(int y, int size, std::uint32_t colour) {
    TextLayout layout(*this);
    layout.y = y;
    layout.alignment = TextLayout::kAlignCentre;
    layout.size = size;
    layout.colour = colour;
    return layout;
}

} // namespace ui
