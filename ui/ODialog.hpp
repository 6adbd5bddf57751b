#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "engine/OWindow.hpp"
#include "ui/FocusRing.hpp"
#include "ui/HeldRepeat.hpp"
#include "ui/TextLayout.hpp"

namespace scene {
class OClip;
}

namespace ui {

class OButton;
class OControl;

// A window opened over an owner, which it blocks for as long as it lives (the engine does
// the blocking). Dialogs are opened only through Open, which either hands back a running
// dialog or none at all: a dialog that cannot be made or started is destroyed at once, so
// that its owner is never left blocked. A dialog ends only through EndDialog.
//
// Every dialog can be played with keys alone. Tab, Right and Down move the focus forward
// through its key order, Shift+Tab, Left and Up backward, wrapping around; in a text field
// Left and Right stay the caret's and Space types. Enter or Space presses the focused control
// (Space as Enter does: the same events, sounds and click). Once a key was used, a focus ring
// surrounds the focused control until the mouse moves or a mouse button is pressed.
class ODialog : public engine::OWindow {
public:
    // Caption colour of the dialogs' buttons (0x00BBGGRR).
    static constexpr std::uint32_t kButtonCaption = 0x99CCFF;

    // Constructs D(owner, params, args...), the params of a `width` x `height` dialog of the
    // owner (its style, background and frame-thread choice), and starts it. Null when the
    // platform window could not be made or Start failed; the dialog is then gone and the
    // owner free again.
    template <class D, class Owner, class... Args>
    static D* Open(Owner* owner, int width, int height, Args&&... args) {
        const engine::CreationParams params =
            owner ? owner->DialogParams(width, height)
                  : engine::CreationParams{0, platform::kFramedStyleBit, width, height};
        // The new dialog takes the keyboard: a Shift released there is never seen here.
        auto* ownerDialog = dynamic_cast<ODialog*>(owner);
        if (ownerDialog) ownerDialog->m_shiftHeld = false;
        auto* dialog = new D(owner, params, std::forward<Args>(args)...);
        if (ownerDialog) static_cast<ODialog*>(dialog)->m_keysFirst = ownerDialog->m_keysFirst;
        return Started(dialog) ? dialog : nullptr;
    }

    // True once EndDialog ran: later answers (a second click queued behind the first) are
    // ignored by the leaf dialogs.
    bool Ended() const { return m_ended; }

    // Escape answers the dialog as its "No", "Cancel" or close button would (Cancel); the key
    // then goes on to the controls. Tab and the arrow keys move the focus, Space presses.
    void KeyDown(int code, int x, int y) override;
    void KeyUp(int code, int x, int y) override;
    // A move to another place than where the last key was pressed hides the focus ring.
    void MouseMove(int x, int y) override;
    // A gamepad as the keys: the d-pad moves the focus (repeating while held), A presses, B is
    // Escape, Back is F1. In a text field the d-pad's up and down change the letter at the
    // caret, left and right move the caret, X deletes the letter before it and A moves on.
    void PadButtonDown(platform::PadButton button) override;
    void PadButtonUp(platform::PadButton button) override;
    // A lost focus forgets what was held: its release goes elsewhere.
    void FocusChanged(bool gained) override;
    // The held d-pad's repeats, then the inherited frame.
    void Tick(std::uint32_t time) override;

    // Key presses (`down`) and releases go to `first` before the dialog's own handling, and a
    // press it takes (true) goes no further; the dialogs this one opens hand theirs to it too.
    // Set before the first key; main thread.
    void SetKeysFirst(std::function<bool(int code, bool down)> first) { m_keysFirst = std::move(first); }

    // For a dialog opened with a key or a gamepad button: the focus goes to the default
    // control when no control holds it, and the ring shows. Takes the dialog's lock.
    void UseKeys();
    // True from a key until the next mouse move or button.
    bool KeysInUse() const { return m_keysInUse; }
    const FocusRing& Ring() const { return m_ring; }

protected:
    ODialog(engine::OWindow* owner, const engine::CreationParams& params) : OWindow(owner, params) {}

    // Sets the finished flag and posts a close to the dialog's own window, which the main
    // thread serves as a user's close; safe from input handlers and from Tick.
    void EndDialog();
    // What Escape does: the dialog's "No", "Cancel" or close; nothing by default.
    virtual void Cancel() {}

    // The controls the keys step through, in this order; until it is set, every control of
    // the dialog in the order it was added.
    void SetKeyOrder(std::initializer_list<OControl*> controls);
    // The control UseKeys gives the focus; none by default.
    void SetDefaultControl(OControl* control) { m_defaultControl = control; }

    // A dialog button: all three images from the default button skin, focusable, caption
    // weight 400, size 24 in `colour`. Not yet added.
    static OButton* MakeButton(const std::string& caption, std::uint32_t colour = kButtonCaption);
    // Places two buttons side by side, `gap` either side of the middle, `margin` above the
    // bottom edge, and adds both.
    void AddButtonPair(OButton* left, OButton* right, int gap, int margin = 10);
    // Loads a picture and adds it centred across the window at `y`; null (nothing added)
    // when it does not load, so that the caller can write a text instead.
    scene::OClip* AddCentredPicture(const std::string& file, float y);
    // A text layout across the whole window, writing centred lines from `y`.
    TextLayout CentredText(int y, int size, std::uint32_t colour);

private:
    // Starts the dialog or destroys it; true when it runs.
    static bool Started(ODialog* dialog);

    // The key order's controls that are in the window, or every control when none was set.
    std::vector<scene::OGraph*> KeyOrder() const;
    // Moves the focus one step; the focus stays where it is when no control can take it.
    void StepFocus(engine::FocusStep step);
    // Keys are in use from now on; (x, y) is where the mouse was.
    void NoteKeyUse(int x, int y);
    // Puts the ring around the control that holds the focus while keys are in use, and takes
    // it away otherwise.
    void RefreshRing();
    bool FocusInTextEntry() const;
    // A key press and its release, as the pad's buttons give them; (x, y) the mouse.
    void PressKey(int code);
    // What the d-pad's direction does once: a step of the focus, the caret or the letter.
    void PadStep(platform::PadButton direction);

    bool m_ended = false;
    std::vector<scene::OGraph*> m_keyOrder;
    OControl* m_defaultControl = nullptr;
    FocusRing m_ring;
    // Shift goes down and up as a key of its own; forgotten when another dialog takes the keys.
    bool m_shiftHeld = false;
    std::function<bool(int code, bool down)> m_keysFirst;
    bool m_keysInUse = false;
    // Space went down as Enter, so its release is Enter's too.
    bool m_spaceAsEnter = false;
    // The pad's A went down as Enter on a button, so its release is Enter's too.
    bool m_padEnter = false;
    HeldRepeat m_padHeld; // the d-pad's direction held, as a PadButton
    int m_keyMouseX = 0;
    int m_keyMouseY = 0;
};

} // namespace ui
