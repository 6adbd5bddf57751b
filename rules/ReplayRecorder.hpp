#pragma once

#include <cstdint>

#include "rules/GameReplay.hpp"

namespace rules {

// Keeps the replay of the game being played: the state machine tells it of every game start,
// of the inputs it took and of its frames, and of the end. A click or pace is stamped with the
// number of frames counted before it; a frame counts when the record was open as the frame
// began, so the frame on which the game ends is the record's last. At most kMaxReplayInputs
// inputs are kept, as many as a replay may hold; later ones are dropped.
class ReplayRecorder {
public:
    // A new record of a game played from its start.
    void Start(Level level, std::uint32_t startState, int ballWidth, int ballHeight);
    // No record: a game laid out from a saved board has no start to replay from.
    void StartUnrecorded();
    // Goes on with a record already played up to here (a restored game's).
    void Continue(GameReplay replay);

    // The frame count of the clip of a colour (1-7) that a random draw was taken over.
    void NoteFrameCount(int colour, int frames);
    void Click(int x, int y) { Record(ReplayInput::Kind::Click, x, y); }
    // A paced frame on which a queued ball moved on.
    void Pace() { Record(ReplayInput::Kind::Pace, 0, 0); }
    void BeginFrame() { m_frameCounts = IsOpen(); }
    void EndFrame();
    // The game ended: inputs and frames after this frame are not recorded.
    void Close();

    // The current game's record, or none for an unrecorded game.
    const GameReplay* Replay() const { return m_recording ? &m_replay : nullptr; }
    // Recording and not yet closed.
    bool IsOpen() const { return m_recording && !m_replay.finished; }

private:
    void Record(ReplayInput::Kind kind, int x, int y);

    GameReplay m_replay;
    bool m_recording = false;
    bool m_frameCounts = false;
};

} // namespace rules
