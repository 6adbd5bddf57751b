#include "scene/OGraph.hpp"

#include <cassert>
#include <mutex>
#include <unordered_set>

#include "scene/OClip.hpp"
#include "scene/SceneHost.hpp"

namespace scene {

namespace {

// The process-wide set of objects that have been constructed and not yet freed. Frame
// threads and the main thread all consult it, so every access takes its mutex. Every window
// asks it for each of its objects once per frame, so it is a hash set.
struct LiveSet {
    LiveSet() { objects.reserve(4096); }
    std::mutex mutex;
    std::unordered_set<const OGraph*> objects;
};

LiveSet& Live() {
    static LiveSet live;
    return live;
}

// The offset inside the parent that one axis's alignment bits ask for: the
// low bit alone the start, the high bit alone the end, both the middle; no bit
// keeps `current`.
float AlignedOffset(uint8_t alignment, uint8_t low, uint8_t high, float parentSize, float size,
                    float current) {
    const uint8_t bits = alignment & (low | high);
    if (bits == low) return 0;
    if (bits == high) return parentSize - size;
    if (bits == (low | high)) return (parentSize - size) * 0.5f;
    return current;
}

// Parents are clips; a parent of any other class has no children list to leave.
void RemoveFromParent(OGraph* parent, OGraph* child) {
    if (auto* clip = dynamic_cast<OClip*>(parent)) clip->RemoveChild(child);
}

} // namespace

OGraph::OGraph() {
    LiveSet& live = Live();
    std::lock_guard lock(live.mutex);
    live.objects.insert(this);
}

OGraph::~OGraph() {
    LiveSet& live = Live();
    std::lock_guard lock(live.mutex);
    live.objects.erase(this);
}

bool OGraph::IsLive(const OGraph* object) {
    if (object == nullptr) return false;
    LiveSet& live = Live();
    std::lock_guard lock(live.mutex);
    return live.objects.count(object) != 0;
}

void OGraph::ReleaseContent() {}

void OGraph::SetStatic(bool flag) {
    m_static = flag;
}

bool OGraph::HasAncestorOrSelf(const OGraph* candidate) const {
    for (const OGraph* node = this; IsLive(node); node = node->m_parent) {
        if (node == candidate) return true;
    }
    return false;
}

void OGraph::SetParent(OGraph* parent) {
    if (parent == m_parent) return;
    // A parent chain that loops back would make every position walk endless.
    if (parent != nullptr && parent->HasAncestorOrSelf(this)) return;
    OGraph* previous = m_parent;
    // Cleared first so that the old parent's RemoveChild, which resets our parent, ends here.
    m_parent = nullptr;
    if (IsLive(previous) && !previous->IsBeingDestroyed()) RemoveFromParent(previous, this);
    m_parent = IsLive(parent) ? parent : nullptr;
    if (m_parent != nullptr) {
        m_x = m_parent->m_x + m_relX;
        m_y = m_parent->m_y + m_relY;
        m_z = m_parent->m_z + m_relZ;
    } else {
        m_x = m_relX;
        m_y = m_relY;
        m_z = m_relZ;
    }
    Realign();
}

void OGraph::AttachWindow(SceneHost* window) {
    if (m_window != nullptr && m_window != window && !m_window->IsClosing()) {
        m_window->RemoveObject(this);
    }
    m_window = window;
    m_x = m_relX;
    m_y = m_relY;
    m_z = m_relZ;
    for (const OGraph* node = m_parent; IsLive(node); node = node->m_parent) {
        m_x += node->m_relX;
        m_y += node->m_relY;
        m_z += node->m_relZ;
    }
    Realign();
    if (m_window != nullptr && m_visible) {
        NotifyDisplay(this, Visibility::Shown, nullptr);
    }
}

OGraph* OGraph::Clone() {
    return nullptr;
}

void OGraph::SaveGeometry() {
    m_savedRelX = m_relX;
    m_savedRelY = m_relY;
    m_savedRelZ = m_relZ;
    m_savedWidth = m_width;
    m_savedHeight = m_height;
    m_savedDepth = m_depth;
    m_savedX = m_x;
    m_savedY = m_y;
    m_savedZ = m_z;
}

void OGraph::RestoreGeometry() {
    m_relX = m_savedRelX;
    m_relY = m_savedRelY;
    m_relZ = m_savedRelZ;
    m_width = m_savedWidth;
    m_height = m_savedHeight;
    m_depth = m_savedDepth;
    m_x = m_savedX;
    m_y = m_savedY;
    m_z = m_savedZ;
}

void OGraph::MoveBy(float dx, float dy, float dz) {
    SetPosition(m_relX + dx, m_relY + dy, m_relZ + dz);
}

bool OGraph::SetPosition(float x, float y, float z) {
    SaveGeometry();
    m_relX = x;
    m_relY = y;
    m_relZ = z;
    m_x += m_relX - m_savedRelX;
    m_y += m_relY - m_savedRelY;
    m_z += m_relZ - m_savedRelZ;
    return true;
}

bool OGraph::SetSize(float width, float height, float depth) {
    SaveGeometry();
    m_width = width;
    m_height = height;
    m_depth = depth;
    Realign();
    return true;
}

bool OGraph::MoveWindowBy(float dx, float dy, float dz) {
    SaveGeometry();
    m_x += dx;
    m_y += dy;
    m_z += dz;
    return true;
}

bool OGraph::LoadFile(const std::string&) {
    return false;
}

bool OGraph::LoadMemory(ByteReader&, int64_t) {
    return false;
}

int OGraph::Reserved() {
    return 0;
}

void OGraph::Tick(uint32_t time) {
    // A purely horizontal velocity waits for the first tick; vertical and depth ones do not.
    if ((m_lastTick != 0 && m_velocityX != 0) || m_velocityY != 0 || m_velocityZ != 0) {
        MoveBy(m_velocityX, m_velocityY, m_velocityZ);
    }
    m_lastTick = time;
}

Rect OGraph::Bounds() const {
    return Rect{TruncateToInt(m_x), TruncateToInt(m_y), TruncateToInt(double{m_x} + m_width),
                TruncateToInt(double{m_y} + m_height)};
}

void OGraph::Draw(Rect* clip) {
    if (clip == nullptr) return;
    *clip = clip->Intersect(Bounds());
}

void OGraph::SetVisible(bool flag) {
    m_visible = flag;
}

void OGraph::SetBlend(int level) {
    m_blendLevel = level;
}

void OGraph::NotifyDisplay(OGraph* origin, Visibility visibility, const Rect* rect) {
    if (origin == nullptr) return;
    Rect area = Bounds();
    if (rect != nullptr) {
        area = rect->Intersect(area);
        if (area.IsEmpty()) return;
    }
    if (IsLive(m_parent)) {
        m_parent->NotifyDisplay(origin, visibility, &area);
    } else {
        if (m_window != nullptr) m_window->ObjectNotify(this, origin, visibility, area);
    }
}

void OGraph::DropSource() {
    OGraph* source = m_source;
    m_source = nullptr;
    if (!IsLive(source)) return;
    assert(source->m_shareCount > 0);
    if (source->m_shareCount > 0) --source->m_shareCount;
    // A source its owner still holds stays alive; destroying it here would leave the owner
    // with a dangling pointer.
    if (source->m_shareCount == 0 && (source->m_lifeFlags & kReleasedWhileShared) != 0) {
        Release(source);
    }
}

bool OGraph::Release(OGraph* object) {
    if (!IsLive(object)) return false;
    if (object->m_static || object->m_shareCount >= 1) {
        if (!object->m_static) object->m_lifeFlags |= kReleasedWhileShared;
        OGraph* parent = object->m_parent;
        if (IsLive(parent) && parent->IsBeingDestroyed()) {
            object->SetVisible(false);
            object->m_parent = nullptr;
            object->m_window = nullptr;
        }
        return false;
    }
    // A release reached again while the object is already being torn down must not free it twice.
    if (object->IsBeingDestroyed()) return false;
    object->m_lifeFlags |= kBeingDestroyed;
    object->SetVisible(false);
    OGraph* parent = object->m_parent;
    if (IsLive(parent) && !parent->IsBeingDestroyed()) RemoveFromParent(parent, object);
    if (object->m_window != nullptr && !object->m_window->IsClosing()) {
        object->m_window->RemoveObject(object);
    }
    object->ReleaseContent();
    object->DropSource();
    delete object;
    return true;
}

bool OGraph::CopyFrom(OGraph* other) {
    ReleaseContent();
    if (!IsLive(other) || m_shareCount > 0) return false;
    OGraph* source = IsLive(other->m_source) ? other->m_source : other;
    // Sharing with oneself would keep the object alive forever.
    if (source == this) return false;
    if (m_source != source) {
        DropSource();
        m_source = source;
        ++source->m_shareCount;
    }
    SetPosition(source->m_relX, source->m_relY, source->m_relZ);
    SetSize(source->m_width, source->m_height, source->m_depth);
    SaveGeometry();
    SetVisible(source->m_visible);
    m_colourKey = source->m_colourKey;
    m_blendLevel = source->m_blendLevel;
    m_items = other->m_items;
    m_alignment = other->m_alignment;
    return true;
}

void OGraph::Realign() {
    if (m_alignment == 0 || m_width == 0 || m_height == 0) return;
    if (!IsLive(m_parent)) return;
    const float x = AlignedOffset(m_alignment, kAlignLeft, kAlignRight, m_parent->m_width, m_width, m_relX);
    const float y = AlignedOffset(m_alignment, kAlignTop, kAlignBottom, m_parent->m_height, m_height, m_relY);
    if (x != m_relX || y != m_relY) SetPosition(x, y, m_relZ);
}

void OGraph::SetVelocity(float vx, float vy, float vz) {
    m_velocityX = vx;
    m_velocityY = vy;
    m_velocityZ = vz;
}

} // namespace scene
