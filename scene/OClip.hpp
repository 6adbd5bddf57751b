#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/OGraph.hpp"

namespace scene {

// An animated picture: an ordered list of child objects (its frames), of which exactly one
// is shown at a time, stepping at the clip's own frame rate. Each frame's item list is its
// command list, run when the frame has just been shown.
class OClip : public OGraph {
public:
    // Frame command codes.
    static constexpr int32_t kCommandStop = 1;
    static constexpr int32_t kCommandRemove = 2;
    static constexpr int32_t kCommandPlayFrom = 3;
    static constexpr int32_t kCommandStopAt = 4;

    // Clip files larger than this are refused without being read.
    static constexpr int64_t kMaxFileSize = int64_t{256} << 20;

    OClip() = default;

    ~OClip() override;
    void ReleaseContent() override;
    void SetStatic(bool flag) override;
    void SetParent(OGraph* parent) override;
    void AttachWindow(SceneHost* window) override;
    OGraph* Clone() override;
    bool SetPosition(float x, float y, float z) override;
    bool MoveWindowBy(float dx, float dy, float dz) override;
    // Resolves the name against the executable's folder and loads the clip file; a missing
    // file leaves the previous content.
    bool LoadFile(const std::string& path) override;
    // Reads a clip file that starts at the beginning of the stream; `size` is not used. On a
    // malformed file the clip is left empty and false is returned.
    bool LoadMemory(ByteReader& stream, int64_t size) override;
    void Tick(uint32_t time) override;
    void Draw(Rect* clip) override;
    void SetVisible(bool flag) override;
    void SetBlend(int level) override;
    void NotifyDisplay(OGraph* origin, Visibility visibility, const Rect* rect) override;
    virtual void AddChild(OGraph* object);
    virtual void RemoveChild(OGraph* object);

    // Shares the frames of other's source through clones of them.
    bool CopyFrom(OGraph* other);

    void StopAtFrame(int frame);
    void PlayFromFrame(int frame);
    void Pause() { m_stopped = true; }
    void Resume() { m_stopped = false; }

    int FrameCount() const { return m_frameCount; }
    OGraph* Frame(int index) const;
    int NextFrame() const { return m_nextFrame; }
    int ShownFrame() const { return m_shownFrame; }
    bool IsStopped() const { return m_stopped; }
    int FramesPerSecond() const { return m_framesPerSecond; }
    void SetFramesPerSecond(int framesPerSecond) { m_framesPerSecond = framesPerSecond; }

private:
    bool IsFrameIndex(int index) const { return index >= 0 && index < m_frameCount; }

    // Moves every frame so that it again sits at the clip's window position plus its own
    // relative position.
    void RealignFrames();

    // Moves the animation on from the frame just shown and runs that frame's commands.
    // Returns false when a command destroyed the clip; the caller must not touch it then.
    bool AdvanceFrom(int frame, bool deferRemoval);

    std::vector<OGraph*> m_frames;
    int m_nextFrame = 0;
    int m_shownFrame = -1;
    int m_frameCount = 0;
    bool m_stopped = false;
    int m_framesPerSecond = 0;
    uint32_t m_lastStepTime = 0;
    // A remove command met while the clip was being attached waits for the next tick, since
    // whoever is attaching it still holds and uses the pointer.
    bool m_removalPending = false;
};

} // namespace scene
