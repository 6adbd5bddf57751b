#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/ControlEvents.hpp"
#include "engine/WindowControl.hpp"
#include "ui/OGroup.hpp"

namespace engine {
class OWindow;
}

namespace ui {

// The interactive control base: a group that takes input from its window, keeps state bits,
// turns every change of them into a numbered event, plays its two sounds and passes the
// events up to its parent control or to its window's ControlEvent.
class OControl : public OGroup, public engine::WindowControl {
public:
    // State bits.
    static constexpr std::uint8_t kHover = 1;       // the mouse is over the control
    static constexpr std::uint8_t kPressed = 2;     // the left button went down on it
    static constexpr std::uint8_t kKeyPressed = 4;  // Enter went down while it had the focus
    static constexpr std::uint8_t kFocused = 8;     // it is the window's focus control
    static constexpr std::uint8_t kCaptured = 16;   // it is the window's capture control

    // Event codes, emitted in the order of this list when several bits change at once.
    static constexpr int kEventMouseEntered = engine::Event_MouseEntered;
    static constexpr int kEventMouseLeft = engine::Event_MouseLeft;
    static constexpr int kEventFocusGained = engine::Event_FocusGained;
    static constexpr int kEventFocusLost = engine::Event_FocusLost;
    static constexpr int kEventCaptured = engine::Event_Captured;
    static constexpr int kEventReleased = engine::Event_Released;
    static constexpr int kEventMousePressed = engine::Event_MousePressed;
    static constexpr int kEventMouseReleased = engine::Event_MouseReleased;
    static constexpr int kEventEnterPressed = engine::Event_EnterPressed;
    static constexpr int kEventEnterReleased = engine::Event_EnterReleased;
    static constexpr int kEventClick = engine::Event_Click;

    OControl();

    void ReleaseContent() override;
    scene::OGraph* Clone() override;
    // A move is not a hide: it keeps the window's focus and capture.
    bool SetPosition(float x, float y, float z) override;
    // Hiding a shown control attached to a window leaves that window without focus and
    // capture control, whichever controls held them.
    void SetVisible(bool flag) override;

    // The window's view of the control.
    scene::OGraph* Graph() override { return this; }
    bool IsFocusable() const override { return m_focusable; }
    bool HitTest(int x, int y) override;
    void OnCaptureChange(engine::WindowControl* capture) override;
    void OnMouseMove(int x, int y) override;
    void OnFocusChange(engine::WindowControl* focus) override;
    // `code` is a platform::KeyCode: a mouse button or a Windows virtual-key code.
    void OnKeyDown(int code, int x, int y) override;
    void OnKeyUp(int code, int x, int y) override;
    void OnChar(std::uint8_t ch) override;

    // True for a field that takes typed text: it keeps Left, Right and Space for its caret and
    // its text when keys move the focus.
    virtual bool IsTextEntry() const { return false; }

    virtual void SetText(const std::string& text);
    virtual std::string GetText() const;
    // Emits the events for the bits that changed since the last call.
    virtual void UpdateState();
    // Plays the control's sound for the event and passes it on: to the parent when that is
    // a control, otherwise (without a parent) to the window.
    virtual void Notify(OControl* sender, int code);

    // Replaces both sound names; nullopt means no sound. Sounds play whatever the game's
    // sound setting says.
    void SetSounds(std::optional<std::string> hoverSound, std::optional<std::string> clickSound);
    void SetFocusable(bool focusable) { m_focusable = focusable; }
    std::uint8_t State() const { return m_state; }
    std::uint8_t PreviousState() const { return m_previousState; }
    const std::optional<std::string>& HoverSound() const { return m_hoverSound; }
    const std::optional<std::string>& ClickSound() const { return m_clickSound; }
    // The window this control is attached to, or null.
    engine::OWindow* OwnerWindow() const;

protected:
    // Gives this control other's geometry, children, sounds and focusable flag.
    void CopyControl(const OControl& other);
    // Passes a report from a child on with the control's whole area as the rectangle, so
    // that a change of any part repaints all of it. A report about the control itself is
    // handed down to its shown leaves.
    void NotifyOwnArea(scene::OGraph* origin, scene::Visibility visibility);

    std::uint8_t m_state = 0;
    std::uint8_t m_previousState = 0;
    bool m_focusable = false;

private:
    std::optional<std::string> m_hoverSound;
    std::optional<std::string> m_clickSound;
    bool m_moving = false;
};

} // namespace ui
