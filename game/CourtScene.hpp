#pragma once

#include <array>
#include <string>
#include <vector>

#include "rules/GameScene.hpp"
#include "scene/OClip.hpp"

namespace engine {
class OWindow;
}

namespace game {

// The game's scene on a window: balls are clones of the seven colour clips, and the
// markers, path dots, selection marker and score digits are clips of the window. Every
// optional clip that did not load is simply left out.
class CourtScene : public rules::GameScene {
public:
    explicit CourtScene(engine::OWindow& window);
    ~CourtScene() override;

    // Loads the seven ball clips ("SKINS\1.clp" ...); false when any is missing.
    bool LoadBalls();
    // Loads and adds the optional pictures: selection marker, path dot, column markers.
    void LoadMarkers(int courtLeft, int courtTop, int ballWidth);
    // Loads and adds the score digits at their places right of the court.
    void LoadDigits(int courtWidth);
    // Gives back the prototypes; the window releases what it shows.
    void ReleasePrototypes();

    scene::OClip* Prototype(int colour) const { return m_prototypes[std::size_t(colour - 1)]; }

    rules::Ball* CreateBall(int colour) override;
    void DestroyBall(rules::Ball* ball) override;
    void PlaySound(rules::GameSound sound, bool wait) override;
    void AddPathDot(float x, float y) override;
    void ClearPathDots() override;
    void PlayMarker(int column) override;
    void RestMarker(int column) override;
    bool IsMarkerAtRest(int column) const override;
    void ShowSelection(int x, int y) override;
    void HideSelection() override;
    void ShowScore(int value) override;
    void ResetScore() override;
    void SetFrameRate(int framesPerSecond) override;
    void RedrawAll() override;

    std::size_t PathDotCount() const { return m_pathDots.size(); }
    scene::OClip* SelectionMarker() const { return m_selection; }
    scene::OClip* Marker(int column) const { return m_markers[std::size_t(column)]; }
    scene::OClip* Digit(int place) const { return m_digits[std::size_t(place)]; }
    // The narrow drum of the place worth 10^power (0 the units); null when not loaded.
    scene::OClip* NarrowDigit(int power) const { return m_narrow[std::size_t(power)]; }
    // How many narrow drums show, 0 while the wide row does.
    int NarrowPlaces() const { return m_narrowPlaces; }

private:
    scene::OClip* LoadStatic(const std::string& file);
    scene::OClip* LoadShown(const std::string& file);
    void ShowNarrowPlaces(int places);

    engine::OWindow& m_window;
    std::array<scene::OClip*, 7> m_prototypes{};
    scene::OClip* m_pathPrototype = nullptr;
    scene::OClip* m_selection = nullptr;
    std::array<scene::OClip*, 17> m_markers{};  // columns 1-16
    std::array<scene::OClip*, 5> m_digits{};
    std::array<scene::OClip*, 10> m_narrow{}; // by power of ten, units first
    int m_narrowPlaces = 0;
    int m_courtWidth = 0;
    std::vector<scene::OClip*> m_pathDots;
};

// The sound file of a game sound.
const char* SoundFile(rules::GameSound sound);

} // namespace game
