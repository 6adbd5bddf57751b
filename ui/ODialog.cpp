#include "ui/ODialog.hpp"

#include "platform/KeyCodes.hpp"
#include "scene/AssetNames.hpp"
#include "scene/OClip.hpp"
#include "ui/OButton.hpp"

namespace ui {

namespace {

constexpr const char* kButtonSkin = scene::assets::kDefaultButton;

} // namespace

bool ODialog::Started(ODialog* dialog) {
    if (dialog->CreateFailed() == 0 && dialog->Start()) return true;
    // Never started, so no frame thread will destroy it; Destroy also frees the owner.
    Destroy(dialog);
    return false;
}

void ODialog::KeyDown(int code, int x, int y) {
    if (code == platform::Key_Escape && !m_ended) Cancel();
    OWindow::KeyDown(code, x, y);
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
