#pragma once

#include <cstdint>
#include <string>

#include "scene/AssetNames.hpp"
#include "ui/OControl.hpp"

namespace ui {

// A control whose children are alternative controls, its states: exactly one is shown, and
// every click advances to the next one, after the last back to the first. Input is handed
// to the current state control; its events reach the window with the check box as sender.
class OCheckbox : public OControl {
public:
    static constexpr const char* kDefaultSkin = scene::assets::kDefaultCheckbox;
    static constexpr const char* kDefaultButtonSkin = scene::assets::kDefaultButton;

    // Takes ownership of both state controls. When either is missing or not live, the two
    // states are built instead from the default skin (frames 0-2 and 3-5, as buttons over
    // the default button skin) and a live one that was given is released.
    OCheckbox(OControl* first, OControl* second, bool focusable,
              const std::string& defaultSkin = kDefaultSkin);

    scene::OGraph* Clone() override;
    void NotifyDisplay(scene::OGraph* origin, scene::Visibility visibility, const scene::Rect* rect) override;
    bool HitTest(int x, int y) override;
    void OnCaptureChange(engine::WindowControl* capture) override;
    void OnMouseMove(int x, int y) override;
    void OnFocusChange(engine::WindowControl* focus) override;
    void OnKeyDown(int code, int x, int y) override;
    void OnKeyUp(int code, int x, int y) override;
    void OnChar(std::uint8_t ch) override;
    // Sets the text of every state control.
    void SetText(const std::string& text) override;
    // The current state control's text, or the empty text.
    std::string GetText() const override;
    // Passes the event on as the check box's own, takes over the sender's state bits and,
    // on a click, advances to the next state: the window sees the click first.
    void Notify(OControl* sender, int code) override;

    // Shows state i (state 0 when i is outside the states) and hands the focus and the
    // capture of the state that was current over to the new one.
    void SetState(int index);
    // The current index when it names a state, else 0.
    int CurrentIndex() const;
    int StateCount() const { return FrameCount(); }
    scene::OGraph* CurrentState() const;
    // The current state when it is a control, else null.
    OControl* CurrentStateControl() const;

private:
    OCheckbox() = default;
    int ToStateX(int x) const;
    int ToStateY(int y) const;

    std::int32_t m_current = 0;
};

} // namespace ui
