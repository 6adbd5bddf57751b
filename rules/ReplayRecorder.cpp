#include "rules/ReplayRecorder.hpp"

#include <utility>

namespace rules {

void ReplayRecorder::Start(Level level, std::uint32_t startState, int ballWidth, int ballHeight) {
    m_replay = GameReplay{};
    m_replay.level = level;
    m_replay.startState = startState;
    m_replay.ballWidth = ballWidth;
    m_replay.ballHeight = ballHeight;
    m_recording = true;
    m_frameCounts = false;
}

void ReplayRecorder::StartUnrecorded() {
    m_replay = GameReplay{};
    m_recording = false;
    m_frameCounts = false;
}

void ReplayRecorder::Continue(GameReplay replay) {
    m_replay = std::move(replay);
    m_recording = true;
    m_frameCounts = false;
}

void ReplayRecorder::NoteFrameCount(int colour, int frames) {
    if (colour >= 1 && colour <= kColours) m_replay.frameCounts[std::size_t(colour - 1)] = frames;
}

void ReplayRecorder::EndFrame() {
    if (m_frameCounts) ++m_replay.ticks;
    m_frameCounts = false;
}

void ReplayRecorder::Close() {
    m_replay.finished = true;
}

void ReplayRecorder::Record(ReplayInput::Kind kind, int x, int y) {
    if (!IsOpen() || m_replay.inputs.size() >= kMaxReplayInputs) return;
    m_replay.inputs.push_back({m_replay.ticks, kind, x, y});
}

} // namespace rules
