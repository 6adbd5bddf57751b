#pragma once

#include <optional>
#include <string>

#include "ui/OControl.hpp"
#include "ui/OText.hpp"

namespace ui {

// A control with three state images (normal, hover, pressed) and a text caption. Its
// children are, in this order, the three images (clips, possibly without frames) and the
// caption; a copy finds its parts again by that order.
class OButton : public OControl {
public:
    // Size given to a button that its images leave without width or height.
    static constexpr float kDefaultWidth = 60;
    static constexpr float kDefaultHeight = 30;

    // From state files. A file that is given but does not load is replaced by a frame of
    // the default skin (normal 0, hover 1, pressed 2, or the last frame it has); a missing
    // normal file is replaced too, a missing hover or pressed file leaves that image empty.
    OButton(const std::string& caption, const std::optional<std::string>& normalFile,
            const std::optional<std::string>& hoverFile, const std::optional<std::string>& pressedFile,
            bool focusable, const std::string& defaultSkin);
    // From frame ranges of one skin (the default skin when the skin is missing or does not
    // load): normal [firstNormal, firstHover), hover [firstHover, firstPressed), pressed
    // [firstPressed, frame count), each at least its first frame; starts beyond the skin are
    // pulled back to its last frame.
    OButton(const std::string& caption, const std::optional<std::string>& skinFile, int firstNormal,
            int firstHover, int firstPressed, bool focusable, const std::string& defaultSkin);
    // As above, but the pressed image ends before frame `pressedEnd`, so that one skin can
    // hold the images of several buttons one after another.
    OButton(const std::string& caption, const std::optional<std::string>& skinFile, int firstNormal,
            int firstHover, int firstPressed, int pressedEnd, bool focusable, const std::string& defaultSkin);

    void ReleaseContent() override;
    scene::OGraph* Clone() override;
    void NotifyDisplay(scene::OGraph* origin, scene::Visibility visibility, const scene::Rect* rect) override;
    void SetText(const std::string& text) override;
    std::string GetText() const override;
    // Shows the image for the state, then emits the events.
    void UpdateState() override;

    scene::OClip* NormalImage() const { return m_normal; }
    scene::OClip* HoverImage() const { return m_hover; }
    scene::OClip* PressedImage() const { return m_pressed; }
    OText* Caption() const { return m_caption; }

protected:
    // An empty button for copies to fill.
    OButton() = default;
    // Finds the parts among the children by their order.
    void FindParts();
    // The caption's font size, placement and the default size, then the first update.
    void FinishConstruction(const std::string& caption, int captionSize);

private:
    // Adds the images (normal shown, the others hidden); the caption follows them.
    void AddImages(scene::OClip* normal, scene::OClip* hover, scene::OClip* pressed);

    scene::OClip* m_normal = nullptr;
    scene::OClip* m_hover = nullptr;
    scene::OClip* m_pressed = nullptr;
    OText* m_caption = nullptr;
};

} // namespace ui
