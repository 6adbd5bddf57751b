// A window with a button, a check box and an edit field for the end-to-end check. It writes
// its own skins into the data folder it is given, then prints every control event it
// receives and every change of the edit text on the standard output, one line each.
#include "SolidSkin.hpp"
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>

#include "engine/MessageLoop.hpp"
#include "engine/OWindow.hpp"
#include "engine/WindowProcedure.hpp"
#include "engine/ControlEvents.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/sdl/SdlPlatform.hpp"
#include "scene/ResolvePath.hpp"
#include "scene/TClipData.hpp"
#include "ui/OButton.hpp"
#include "ui/OCheckbox.hpp"
#include "ui/OEdit.hpp"

namespace {

// Solid frames, one per colour (0xRRGGBB).
bool writeSkin(const std::string& path, int width, int height, std::initializer_list<std::uint32_t> colours) {
    return scene::WriteClipFile(SolidSkin(width, height, colours), path);
}

class DemoWindow : public engine::OWindow {
public:
    DemoWindow() : engine::OWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 400, 240, true}) {}

    bool Start() override {
        m_button = new ui::OButton("OK", "", "", "", true, "CLP\\def_btn.clp");
        m_button->SetPosition(20, 20, m_button->RelativeZ());
        m_checkbox = new ui::OCheckbox(nullptr, nullptr, true);
        m_checkbox->SetPosition(20, 80, m_checkbox->RelativeZ());
        m_edit = new ui::OEdit("", "CLP\\edit.clp", 0, 1, 2, true, "CLP\\def_edit.clp");
        m_edit->SetPosition(20, 130, m_edit->RelativeZ());
        AddObject(m_button);
        AddObject(m_checkbox);
        AddObject(m_edit);
        return OWindow::Start();
    }

    void ControlEvent(engine::WindowControl* sender, int code) override {
        const char* name = sender == m_button ? "button" : sender == m_checkbox ? "checkbox" : sender == m_edit ? "edit" : "other";
        if (sender == m_checkbox && code == engine::Event_Click)
            std::printf("event %s %d index %d\n", name, code, m_checkbox->CurrentIndex());
        else
            std::printf("event %s %d\n", name, code);
        std::fflush(stdout);
    }

    void KeyDown(int code, int x, int y) override {
        if (code == platform::Key_Escape) {
            std::printf("final %s\n", m_edit->GetText().c_str());
            std::fflush(stdout);
            PostClose();
            return;
        }
        OWindow::KeyDown(code, x, y);
        ReportText();
    }

    void Char(std::uint8_t ch) override {
        OWindow::Char(ch);
        ReportText();
    }

private:
    void ReportText() {
        const std::string text = m_edit->GetText();
        if (text == m_lastText) return;
        m_lastText = text;
        std::printf("text %s\n", text.c_str());
        std::fflush(stdout);
    }

    ui::OButton* m_button = nullptr;
    ui::OCheckbox* m_checkbox = nullptr;
    ui::OEdit* m_edit = nullptr;
    std::string m_lastText;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ui_e2e_window DATA-FOLDER\n");
        return 1;
    }
    const std::string folder = std::filesystem::absolute(argv[1]).string() + "/";
    std::error_code ec;
    std::filesystem::create_directories(folder + "CLP", ec);
    const bool written = writeSkin(folder + "CLP/def_btn.clp", 120, 40, {0xD02010, 0x20B040, 0x2040D0}) &&
                         writeSkin(folder + "CLP/def_cbox.clp", 24, 24,
                                   {0x808080, 0xA0A0A0, 0x606060, 0x10A0A0, 0x20C0C0, 0x108080}) &&
                         writeSkin(folder + "CLP/edit.clp", 260, 36, {0xE0E0E0, 0xFFFFFF, 0xFFF0C0});
    if (!written) {
        std::fprintf(stderr, "ui_e2e_window: cannot write the skins into %s\n", folder.c_str());
        return 1;
    }
    scene::SetExecutableFolderOverride(folder);

    platform::SetCurrentPlatform(std::make_unique<platform::SdlPlatform>(folder + "single-copy.lock"));
    auto* window = new DemoWindow;
    if (window->CreateFailed()) {
        std::fprintf(stderr, "ui_e2e_window: cannot open a window\n");
        window->Close();
        return 2;
    }
    window->SetTitle("ui_e2e_window");
    window->SetQuitOnDestroy(true);
    window->Start();
    window->Render();
    engine::WindowProcedure procedure;
    return engine::RunMessageLoop(procedure, nullptr);
}
