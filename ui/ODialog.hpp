#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "engine/OWindow.hpp"
#include "ui/TextLayout.hpp"

namespace scene {
class OClip;
}

namespace ui {

class OButton;

// A window opened over an owner, which it blocks for as long as it lives (the engine does
// the blocking). Dialogs are opened only through Open, which either hands back a running
// dialog or none at all: a dialog that cannot be made or started is destroyed at once, so
// that its owner is never left blocked. A dialog ends only through EndDialog.
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
        auto* dialog = new D(owner, params, std::forward<Args>(args)...);
        return Started(dialog) ? dialog : nullptr;
    }

    // True once EndDialog ran: later answers (a second click queued behind the first) are
    // ignored by the leaf dialogs.
    bool Ended() const { return m_ended; }

    // Escape answers the dialog as its "No", "Cancel" or close button would (Cancel); the key
    // then goes on to the controls.
    void KeyDown(int code, int x, int y) override;

protected:
    ODialog(engine::OWindow* owner, const engine::CreationParams& params) : OWindow(owner, params) {}

    // Sets the finished flag and posts a close to the dialog's own window, which the main
    // thread serves as a user's close; safe from input handlers and from Tick.
    void EndDialog();
    // What Escape does: the dialog's "No", "Cancel" or close; nothing by default.
    virtual void Cancel() {}

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

    bool m_ended = false;
};

} // namespace ui
