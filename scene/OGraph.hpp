#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/Rect.hpp"
#include "scene/Visibility.hpp"

namespace scene {

class ByteReader;
class SceneHost;

// Base of every scene object: position in the window and relative to a parent, size,
// per-tick velocity, visibility, colour key, blend level and content sharing. Objects are
// created with new and disposed of only through Release.
class OGraph {
public:
    // Life flags: the object is being destroyed by Release; its owner has released it while
    // others still shared it, so it goes with its last user.
    static constexpr uint32_t kBeingDestroyed = 2;
    static constexpr uint32_t kReleasedWhileShared = 4;

    // Alignment bits; left+right centres horizontally, top+bottom centres vertically.
    static constexpr uint8_t kAlignLeft = 1;
    static constexpr uint8_t kAlignRight = 2;
    static constexpr uint8_t kAlignTop = 4;
    static constexpr uint8_t kAlignBottom = 8;

    OGraph();
    OGraph(const OGraph&) = delete;
    OGraph& operator=(const OGraph&) = delete;

    // Virtual operations, in slot order.
    virtual ~OGraph();
    virtual void ReleaseContent();
    virtual void SetStatic(bool flag);
    virtual void SetParent(OGraph* parent);
    virtual void AttachWindow(SceneHost* window);
    virtual OGraph* Clone();
    virtual void SaveGeometry();
    virtual void RestoreGeometry();
    virtual void MoveBy(float dx, float dy, float dz);
    virtual bool SetPosition(float x, float y, float z);
    virtual bool SetSize(float width, float height, float depth);
    virtual bool MoveWindowBy(float dx, float dy, float dz);
    [[nodiscard]] virtual bool LoadFile(const std::string& path);
    virtual bool LoadMemory(ByteReader& stream, int64_t size);
    virtual int Reserved();
    virtual void Tick(uint32_t time);
    virtual void Draw(Rect* clip);
    virtual void SetVisible(bool flag);
    virtual void SetBlend(int level);
    // Tells that origin is now shown in rect (or in this object's bounds when rect is null), or
    // no longer is. Travels up to the top-level ancestor and on to the window, clipped on the way.
    virtual void NotifyDisplay(OGraph* origin, Visibility visibility, const Rect* rect);

    // True when object is non-null and has not been freed. Safe from any thread.
    static bool IsLive(const OGraph* object);

    // Disposes of an object the way every owner must: static and shared objects survive (and
    // are only detached from a dying parent); a shared one is destroyed when its last user
    // lets go. Returns true when the object was destroyed. Pointers that are not live are
    // ignored.
    static bool Release(OGraph* object);

    // Makes this object share other's content. False when other is missing or this object is
    // itself the source of others.
    bool CopyFrom(OGraph* other);

    // Applies the alignment bits inside the parent.
    void Realign();

    void SetVelocity(float vx, float vy, float vz);

    // The bounds (x, y, x + width, y + height), each truncated toward zero.
    Rect Bounds() const;

    bool IsStatic() const { return m_static; }
    SceneHost* Window() const { return m_window; }
    OGraph* Parent() const { return m_parent; }
    OGraph* Source() const { return m_source; }
    uint32_t LastTick() const { return m_lastTick; }
    int Order() const { return m_order; }
    void SetOrder(int order) { m_order = order; }
    int ShareCount() const { return m_shareCount; }
    std::vector<int32_t>& Items() { return m_items; }
    const std::vector<int32_t>& Items() const { return m_items; }
    bool IsBeingDestroyed() const { return (m_lifeFlags & kBeingDestroyed) != 0; }
    uint8_t Alignment() const { return m_alignment; }
    void SetAlignment(uint8_t alignment) { m_alignment = alignment; }
    float X() const { return m_x; }
    float Y() const { return m_y; }
    float Z() const { return m_z; }
    float RelativeX() const { return m_relX; }
    float RelativeY() const { return m_relY; }
    float RelativeZ() const { return m_relZ; }
    float Width() const { return m_width; }
    float Height() const { return m_height; }
    float Depth() const { return m_depth; }
    float VelocityX() const { return m_velocityX; }
    float VelocityY() const { return m_velocityY; }
    float VelocityZ() const { return m_velocityZ; }
    bool IsVisible() const { return m_visible; }
    uint32_t ColourKey() const { return m_colourKey; }
    void SetColourKey(uint32_t key) { m_colourKey = key; }
    int BlendLevel() const { return m_blendLevel; }

protected:
    // Drops this object's source: one share fewer, source := null, and the source destroyed
    // when this was its last user and its owner has already released it.
    void DropSource();

    // True when candidate is this object or one of its live ancestors.
    bool HasAncestorOrSelf(const OGraph* candidate) const;

    bool m_static = false;
    SceneHost* m_window = nullptr;
    OGraph* m_parent = nullptr;
    uint32_t m_lastTick = 0;
    int m_order = 0;
    int m_shareCount = 0;
    std::vector<int32_t> m_items;
    uint32_t m_lifeFlags = 0;
    uint8_t m_alignment = 0;
    float m_x = 0, m_y = 0, m_z = 0;
    float m_relX = 0, m_relY = 0, m_relZ = 0;
    float m_width = 0, m_height = 0, m_depth = 0;
    float m_savedX = 0, m_savedY = 0, m_savedZ = 0;
    float m_savedRelX = 0, m_savedRelY = 0, m_savedRelZ = 0;
    float m_savedWidth = 0, m_savedHeight = 0, m_savedDepth = 0;
    float m_velocityX = 0, m_velocityY = 0, m_velocityZ = 0;
    bool m_visible = true;
    uint32_t m_colourKey = 0;
    int m_blendLevel = 0;
    OGraph* m_source = nullptr;
};

} // namespace scene
