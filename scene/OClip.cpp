#include "scene/OClip.hpp"

#include <algorithm>
#include <optional>

#include "scene/ByteReader.hpp"
#include "scene/ClipFormat.hpp"
#include "scene/OBitmap.hpp"
#include "scene/Rect.hpp"
#include "scene/ResolvePath.hpp"
#include "scene/SceneHost.hpp"
#include "store/FileIO.hpp"

namespace scene {

OClip::~OClip() = default;

OGraph* OClip::Frame(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_frames.size()) return nullptr;
    return m_frames[static_cast<size_t>(index)];
}

void OClip::ReleaseContent() {
    std::vector<OGraph*> frames;
    frames.swap(m_frames);
    m_items.clear();
    m_frameCount = 0;
    for (OGraph* frame : frames) {
        if (IsLive(frame)) Release(frame);
    }
}

void OClip::SetStatic(bool flag) {
    OGraph::SetStatic(flag);
    for (OGraph* frame : m_frames) {
        if (IsLive(frame)) frame->SetStatic(flag);
    }
}

void OClip::RealignFrames() {
    for (OGraph* frame : m_frames) {
        if (!IsLive(frame)) continue;
        frame->MoveWindowBy(m_x + frame->RelativeX() - frame->X(), m_y + frame->RelativeY() - frame->Y(),
                            m_z + frame->RelativeZ() - frame->Z());
    }
}

void OClip::SetParent(OGraph* parent) {
    if (IsBeingDestroyed()) return;
    SaveGeometry();
    OGraph::SetParent(parent);
    m_shownFrame = -1;
    m_nextFrame = 0;
    // Alignment inside the new parent may already have moved the frames once, so they are
    // placed from the clip's final position rather than moved by a difference.
    RealignFrames();
}

void OClip::AttachWindow(SceneHost* window) {
    if (IsBeingDestroyed() || window == m_window) return;
    m_nextFrame = 0;
    m_shownFrame = 0;
    OGraph::AttachWindow(window);
    for (size_t i = 0; i < m_frames.size(); ++i) {
        OGraph* frame = m_frames[i];
        if (!IsLive(frame)) continue;
        frame->SetVisible(static_cast<int>(i) == m_nextFrame);
        frame->AttachWindow(window);
    }
    if (!m_stopped) AdvanceFrom(0, true);
}

OGraph* OClip::Clone() {
    auto* copy = new OClip;
    if (!copy->CopyFrom(this)) {
        Release(copy);
        return nullptr;
    }
    return copy;
}

bool OClip::CopyFrom(OGraph* other) {
    const bool shared = OGraph::CopyFrom(other);
    auto* source = dynamic_cast<OClip*>(m_source);
    if (!shared || source == nullptr) return false;
    m_framesPerSecond = source->m_framesPerSecond;
    for (size_t i = 0; i < source->m_frames.size(); ++i) {
        OGraph* frame = source->m_frames[i];
        if (!IsLive(frame)) continue;
        if (OGraph* copy = frame->Clone()) AddChild(copy);
    }
    m_nextFrame = source->m_nextFrame;
    return true;
}

bool OClip::SetPosition(float x, float y, float z) {
    bool hidden = false;
    if (m_visible &&
        (TruncatedDiffers(x, m_relX) || TruncatedDiffers(y, m_relY) || TruncatedDiffers(z, m_relZ))) {
        SetVisible(false);
        hidden = true;
    }
    OGraph::SetPosition(x, y, z);
    const float dx = m_x - m_savedX;
    const float dy = m_y - m_savedY;
    const float dz = m_z - m_savedZ;
    for (OGraph* frame : m_frames) {
        if (IsLive(frame)) frame->MoveWindowBy(dx, dy, dz);
    }
    if (hidden) SetVisible(true);
    return true;
}

bool OClip::MoveWindowBy(float dx, float dy, float dz) {
    SaveGeometry();
    m_x += dx;
    m_y += dy;
    m_z += dz;
    for (OGraph* frame : m_frames) {
        if (IsLive(frame)) frame->MoveWindowBy(dx, dy, dz);
    }
    return true;
}

bool OClip::LoadFile(const std::string& path) {
    const store::ReadResult file =
        store::readFileBounded(ResolvePath(path), static_cast<size_t>(kMaxFileSize));
    if (file.status != store::ReadStatus::Ok) return false;
    ByteReader stream(file.bytes.data(), file.bytes.size());
    return LoadMemory(stream, -1);
}

bool OClip::LoadMemory(ByteReader& stream, int64_t) {
    if (m_shareCount > 0) return true;
    ReleaseContent();
    const std::optional<TClipIndex> index = ReadClipIndex(stream);
    if (!index) return false;
    m_framesPerSecond = index->framesPerSecond;

    std::vector<OBitmap*> images;
    images.reserve(static_cast<size_t>(index->imageCount));
    // Placed images belong to the clip by then; only the others need releasing here.
    auto releaseUnplaced = [&images] {
        for (OBitmap* image : images) {
            if (IsLive(image) && !IsLive(image->Parent())) Release(image);
        }
    };
    auto fail = [&] {
        releaseUnplaced();
        ReleaseContent();
        return false;
    };

    for (const TClipEntry& entry : index->entries) {
        if (entry.kind != kClipImageKind) continue;
        if (!stream.Seek(entry.offset)) return fail();
        auto* image = new OBitmap;
        if (!image->LoadMemory(stream, entry.size)) {
            Release(image);
            return fail();
        }
        images.push_back(image);
    }

    for (const TClipPlacement& placement : index->placements) {
        if (placement.image < 0 || static_cast<size_t>(placement.image) >= images.size()) {
            return fail();
        }
        OGraph* frame = images[static_cast<size_t>(placement.image)];
        // An image placed before is shown again through a clone sharing its pixels.
        if (IsLive(frame->Parent())) frame = frame->Clone();
        if (frame == nullptr) return fail();
        m_width = std::max(m_width, frame->Width());
        m_height = std::max(m_height, frame->Height());
        frame->Items() = placement.commands;
        frame->SetPosition(static_cast<float>(placement.x), static_cast<float>(placement.y),
                           static_cast<float>(placement.z));
        AddChild(frame);
    }
    releaseUnplaced();
    return true;
}

bool OClip::AdvanceFrom(int frame, bool deferRemoval) {
    if (m_frameCount == 0 || m_stopped || m_shownFrame < 0 || !IsFrameIndex(frame)) return true;
    ++m_nextFrame;
    if (m_nextFrame >= m_frameCount) m_nextFrame = 0;
    const OGraph* shown = m_frames[static_cast<size_t>(frame)];
    if (!IsLive(shown)) return true;
    // No command below changes the frame's item list, so it is read in place.
    const std::vector<int32_t>& commands = shown->Items();
    for (size_t i = 0; i < commands.size(); ++i) {
        switch (commands[i]) {
        case kCommandStop:
            StopAtFrame(frame);
            break;
        case kCommandRemove:
            if (deferRemoval) {
                m_removalPending = true;
                return true;
            }
            return !Release(this);
        case kCommandPlayFrom:
            if (i + 1 < commands.size()) PlayFromFrame(commands[++i]);
            break;
        case kCommandStopAt:
            if (i + 1 < commands.size()) StopAtFrame(commands[++i]);
            break;
        default:
            break;
        }
    }
    return true;
}

void OClip::Tick(uint32_t time) {
    if (m_removalPending) {
        m_removalPending = false;
        if (Release(this)) return;
    }
    if (m_frameCount == 0) return;
    if (m_lastStepTime == 0) m_lastStepTime = time;
    // The elapsed time wraps with the 32-bit clock; the product is kept in 64 bits so that a
    // long pause cannot wrap it back below one step.
    const uint32_t elapsed = time - m_lastStepTime;
    const uint64_t steps = uint64_t{elapsed} * static_cast<uint32_t>(m_framesPerSecond) / 1000u;
    if (steps >= 1) {
        m_lastStepTime = time;
        if (m_shownFrame == m_nextFrame && m_stopped) return;
        if (IsFrameIndex(m_shownFrame)) {
            OGraph* shown = m_frames[static_cast<size_t>(m_shownFrame)];
            if (IsLive(shown)) shown->SetVisible(false);
        }
        // Removing children does not adjust the counters, so the next frame may have fallen off.
        if (!IsFrameIndex(m_nextFrame)) m_nextFrame = 0;
        const int index = m_nextFrame;
        OGraph* next = m_frames[static_cast<size_t>(index)];
        if (IsLive(next)) next->Tick(time);
        // A frame's own tick may have removed it (a nested clip releasing itself).
        if (IsFrameIndex(index) && m_frames[static_cast<size_t>(index)] == next && IsLive(next)) {
            next->SetVisible(true);
            m_shownFrame = index;
            if (!AdvanceFrom(index, false)) return;
        }
    }
    OGraph::Tick(time);
}

void OClip::Draw(Rect* clip) {
    if (!IsFrameIndex(m_shownFrame) || !IsFrameIndex(m_nextFrame)) return;
    OGraph* shown = m_frames[static_cast<size_t>(m_shownFrame)];
    if (IsLive(shown)) shown->Draw(clip);
}

void OClip::SetVisible(bool flag) {
    if (flag != m_visible && IsFrameIndex(m_nextFrame)) {
        if (flag) m_visible = true;
        const int index = IsFrameIndex(m_shownFrame) ? m_shownFrame : m_nextFrame;
        OGraph* frame = m_frames[static_cast<size_t>(index)];
        if (IsLive(frame) && frame->IsVisible()) {
            const Rect bounds = frame->Bounds();
            NotifyDisplay(frame, flag ? Visibility::Shown : Visibility::Hidden, &bounds);
        }
    }
    m_visible = flag;
}

void OClip::SetBlend(int level) {
    for (OGraph* frame : m_frames) {
        if (IsLive(frame)) frame->SetBlend(level);
    }
}

void OClip::NotifyDisplay(OGraph* origin, Visibility visibility, const Rect* rect) {
    if (origin == this || !m_visible) return;
    OGraph::NotifyDisplay(origin, visibility, rect);
}

void OClip::AddChild(OGraph* object) {
    // A clip inside itself would make every walk up the parent chain endless.
    if (!IsLive(object) || HasAncestorOrSelf(object)) return;
    m_width = std::max(m_width, object->RelativeX() + object->Width());
    m_height = std::max(m_height, object->RelativeY() + object->Height());
    m_depth = std::max(m_depth, object->RelativeZ() + object->Depth());
    object->SetVisible(m_frames.empty());
    m_frames.push_back(object);
    if (auto* clip = dynamic_cast<OClip*>(object)) {
        m_framesPerSecond = std::max(m_framesPerSecond, clip->m_framesPerSecond);
    }
    object->SetParent(this);
    if (m_window != nullptr) object->AttachWindow(m_window);
    m_frameCount = static_cast<int>(m_frames.size());
}

void OClip::RemoveChild(OGraph* object) {
    auto found = std::find(m_frames.begin(), m_frames.end(), object);
    if (found != m_frames.end()) {
        // Erased before the child is detached, since detaching calls back here.
        m_frames.erase(found);
        m_frameCount = static_cast<int>(m_frames.size());
        if (IsLive(object) && !object->IsBeingDestroyed()) {
            object->SetVisible(false);
            object->SetParent(nullptr);
            object->AttachWindow(nullptr);
        }
    }
    m_frameCount = static_cast<int>(m_frames.size());
}

void OClip::StopAtFrame(int frame) {
    m_stopped = true;
    if (IsFrameIndex(frame)) m_nextFrame = frame;
}

void OClip::PlayFromFrame(int frame) {
    m_stopped = false;
    if (IsFrameIndex(frame)) m_nextFrame = frame;
}

} // namespace scene
