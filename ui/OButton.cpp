#include "ui/OButton.hpp"

#include <algorithm>
#include <limits>

namespace ui {

using scene::OClip;
using scene::OGraph;

namespace {

// The caption lies half a unit in front of the images, so that it is always painted over
// them whatever order the window finds them in.
constexpr float kCaptionDepth = -0.5f;

bool loadGiven(OClip& clip, const std::optional<std::string>& file) {
    return file && !file->empty() && clip.LoadFile(*file);
}

// Adds to `image` copies of the frames [first, end) of `skin`, or of frame `first` alone
// when that range is empty; nothing when `first` is not a frame of the skin.
void copyFrames(const OClip& skin, OClip& image, int first, int end) {
    const int count = skin.FrameCount();
    if (first < 0 || first >= count) return;
    end = std::clamp(end, first + 1, count);
    for (int i = first; i < end; ++i) {
        OGraph* frame = skin.Frame(i);
        if (!OGraph::IsLive(frame)) continue;
        OGraph* copy = frame->Clone();
        if (!copy) continue;
        // A frame that shares another's pixels would otherwise take that one's place.
        copy->SetPosition(frame->RelativeX(), frame->RelativeY(), frame->RelativeZ());
        image.AddChild(copy);
    }
}

} // namespace

OButton::OButton(const std::string& caption, const std::optional<std::string>& normalFile,
                 const std::optional<std::string>& hoverFile, const std::optional<std::string>& pressedFile,
                 bool focusable, const std::string& defaultSkin) {
    m_focusable = focusable;
    auto* skin = new OClip;
    const bool hasDefault = skin->LoadFile(defaultSkin) && skin->FrameCount() > 0;
    const int last = skin->FrameCount() - 1;

    auto* normal = new OClip;
    if (!loadGiven(*normal, normalFile) && hasDefault) copyFrames(*skin, *normal, 0, 1);
    auto* hover = new OClip;
    if (hoverFile && !loadGiven(*hover, hoverFile) && hasDefault) copyFrames(*skin, *hover, std::min(1, last), 0);
    auto* pressed = new OClip;
    if (pressedFile && !loadGiven(*pressed, pressedFile) && hasDefault)
        copyFrames(*skin, *pressed, std::min(2, last), 0);

    AddImages(normal, hover, pressed);
    OGraph::Release(skin);
    FinishConstruction(caption, 36);
}

OButton::OButton(const std::string& caption, const std::optional<std::string>& skinFile, int firstNormal,
                 int firstHover, int firstPressed, bool focusable, const std::string& defaultSkin)
    : OButton(caption, skinFile, firstNormal, firstHover, firstPressed, std::numeric_limits<int>::max(),
              focusable, defaultSkin) {}

OButton::OButton(const std::string& caption, const std::optional<std::string>& skinFile, int firstNormal,
                 int firstHover, int firstPressed, int pressedEnd, bool focusable,
                 const std::string& defaultSkin) {
    m_focusable = focusable;
    auto* skin = new OClip;
    if (!loadGiven(*skin, skinFile)) skin->LoadFile(defaultSkin);
    const int count = skin->FrameCount();
    if (count < 3 || firstPressed >= count) firstPressed = count - 1;
    if (count < 2 || firstHover >= count) firstHover = count - 1;
    if (count < 1 || firstNormal >= count) firstNormal = count - 1;
    // Starts before the first frame mean the first frame.
    if (count > 0) {
        firstNormal = std::max(firstNormal, 0);
        firstHover = std::max(firstHover, 0);
        firstPressed = std::max(firstPressed, 0);
    }

    auto* normal = new OClip;
    copyFrames(*skin, *normal, firstNormal, firstHover);
    auto* hover = new OClip;
    copyFrames(*skin, *hover, firstHover, firstPressed);
    auto* pressed = new OClip;
    copyFrames(*skin, *pressed, firstPressed, std::min(pressedEnd, count));
    for (OClip* image : {normal, hover, pressed})
        if (image->FrameCount() > 0) image->SetFramesPerSecond(skin->FramesPerSecond());

    // Images without frames are kept as children too, so that every button has its parts
    // at the same places.
    AddImages(normal, hover, pressed);
    OGraph::Release(skin);
    FinishConstruction(caption, 28);
}

void OButton::AddImages(OClip* normal, OClip* hover, OClip* pressed) {
    normal->SetVisible(true);
    hover->SetVisible(false);
    pressed->SetVisible(false);
    AddChild(normal);
    AddChild(hover);
    AddChild(pressed);
    m_normal = normal;
    m_hover = hover;
    m_pressed = pressed;
}

void OButton::FinishConstruction(const std::string& caption, int captionSize) {
    m_caption = new OText(caption);
    engine::FontRecord font;
    font.height = captionSize;
    font.weight = 400;
    m_caption->SetFont(font);
    m_caption->SetAlignment(OGraph::kAlignLeft | OGraph::kAlignRight | OGraph::kAlignTop | OGraph::kAlignBottom);
    m_caption->SetPosition(0, 0, kCaptionDepth);
    AddChild(m_caption);
    if (!(m_width > 0) || !(m_height > 0)) SetSize(kDefaultWidth, kDefaultHeight, m_depth);
    m_caption->Realign();
    UpdateState();
}

void OButton::FindParts() {
    m_normal = dynamic_cast<OClip*>(Frame(0));
    m_hover = dynamic_cast<OClip*>(Frame(1));
    m_pressed = dynamic_cast<OClip*>(Frame(2));
    m_caption = dynamic_cast<OText*>(Frame(3));
}

void OButton::ReleaseContent() {
    OControl::ReleaseContent();
    m_normal = m_hover = m_pressed = nullptr;
    m_caption = nullptr;
}

OGraph* OButton::Clone() {
    auto* copy = new OButton;
    copy->CopyControl(*this);
    copy->FindParts();
    return copy;
}

void OButton::NotifyDisplay(OGraph* origin, scene::Visibility visibility, const scene::Rect*) {
    NotifyOwnArea(origin, visibility);
}

void OButton::SetText(const std::string& text) {
    if (IsLive(m_caption)) m_caption->SetText(text);
}

std::string OButton::GetText() const { return IsLive(m_caption) ? m_caption->GetText() : std::string(); }

void OButton::UpdateState() {
    if (m_state == m_previousState) return;
    if (!m_window) {
        OControl::UpdateState();
        return;
    }
    const bool hover = (m_state & kHover) != 0;
    const bool pressed = (m_state & kPressed) != 0;
    OClip* chosen = m_normal;
    if ((pressed && hover) || (m_state & kKeyPressed))
        chosen = m_pressed;
    else if ((hover && !pressed) || (m_state & kFocused))
        chosen = m_hover;
    if (IsLive(chosen) && chosen->FrameCount() > 0) {
        for (OClip* image : {m_normal, m_hover, m_pressed})
            if (image != chosen && IsLive(image)) image->SetVisible(false);
        chosen->PlayFromFrame(0);
        chosen->SetVisible(true);
    }
    NotifyDisplay(this, scene::Visibility::Shown, nullptr);
    OControl::UpdateState();
}

} // namespace ui
