// Feeds arbitrary bytes to the clip reader; whatever loads is attached to a small window,
// drawn frame by frame and ticked through its commands.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "scene/ByteReader.hpp"
#include "scene/OClip.hpp"
#include "scene/SceneHost.hpp"
#include "scene/TClipData.hpp"

namespace {

class FuzzHost : public scene::SceneHost {
public:
    FuzzHost() : m_bits(static_cast<size_t>(kStride) * kHeight) {}
    void RemoveObject(scene::OGraph*) override {}
    void ObjectNotify(scene::OGraph*, scene::OGraph*, scene::Visibility, const scene::Rect&) override {}
    bool IsClosing() const override { return false; }
    scene::BackBufferView BackBuffer() override { return {m_bits.data(), kWidth, kHeight, kStride, true}; }
    scene::WindowMutex& Lock() override { return m_lock; }

    static constexpr int32_t kWidth = 37;
    static constexpr int32_t kHeight = 23;
    static constexpr int32_t kStride = 112;

private:
    std::vector<uint8_t> m_bits;
    scene::WindowMutex m_lock;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The description reader must agree with the clip about what loads.
    const bool described = scene::ReadClip({data, size}).has_value();

    auto* clip = new scene::OClip;
    scene::ByteReader stream(data, size);
    const bool loaded = clip->LoadMemory(stream, -1);
    if (loaded != described) __builtin_trap();
    if (!loaded) {
        scene::OGraph::Release(clip);
        return 0;
    }

    FuzzHost host;
    clip->SetPosition(-5, -3, 0);
    clip->AttachWindow(&host);
    for (int i = 0; i < clip->FrameCount(); ++i) {
        scene::OGraph* frame = clip->Frame(i);
        const bool visible = frame->IsVisible();
        frame->SetVisible(true);
        scene::Rect all{0, 0, FuzzHost::kWidth, FuzzHost::kHeight};
        frame->Draw(&all);
        frame->Draw(nullptr);
        frame->SetBlend(i * 37);
        frame->SetVisible(visible);
    }
    for (uint32_t t = 1; t <= 40 && scene::OGraph::IsLive(clip); ++t) {
        clip->Tick(t * 1000);
        if (!scene::OGraph::IsLive(clip)) break;
        scene::Rect all{0, 0, FuzzHost::kWidth, FuzzHost::kHeight};
        clip->Draw(&all);
    }
    if (scene::OGraph::IsLive(clip)) {
        clip->SetStatic(false);
        scene::OGraph::Release(clip);
    }
    return 0;
}
