#pragma once

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "scene/OClip.hpp"
#include "scene/OGraph.hpp"
#include "scene/SceneHost.hpp"

// A window stand-in: keeps a graph list with orders, records every notification, and owns a
// 24-bit back buffer filled with one colour.
class FakeHost : public scene::SceneHost {
 public:
  struct Notice {
    scene::OGraph* top;
    scene::OGraph* origin;
    int mode;
    scene::Rect rect;
  };

  explicit FakeHost(int32_t width = 0, int32_t height = 0, bool bottomUp = true)
      : m_width(width),
        m_height(height),
        m_stride(((width * 3) + 3) & ~3),
        m_bottomUp(bottomUp),
        m_bits(static_cast<size_t>(m_stride) * static_cast<size_t>(height)) {}

  void AddObject(scene::OGraph* object) {
    if (!scene::OGraph::IsLive(object)) return;
    graphs.push_back(object);
    object->SetOrder(static_cast<int>(graphs.size()));
    if (auto* clip = dynamic_cast<scene::OClip*>(object)) {
      framesPerSecond = std::max(framesPerSecond, clip->FramesPerSecond());
    }
    object->AttachWindow(this);
  }

  void RemoveObject(scene::OGraph* object) override {
    ++removeCalls;
    auto found = std::find(graphs.begin(), graphs.end(), object);
    if (found != graphs.end()) {
      found = graphs.erase(found);
      for (auto it = found; it != graphs.end(); ++it) (*it)->SetOrder((*it)->Order() - 1);
      if (scene::OGraph::IsLive(object) && !object->IsBeingDestroyed()) {
        object->AttachWindow(nullptr);
      }
    }
  }

  void ObjectNotify(scene::OGraph* top, scene::OGraph* origin, bool& done, int mode,
                    const scene::Rect& rect) override {
    if ((mode == 0 || mode == 1) && !rect.IsEmpty()) notices.push_back({top, origin, mode, rect});
    done = true;
  }

  bool IsClosing() const override { return closing; }

  scene::BackBufferView BackBuffer() override {
    return {m_bits.data(), m_width, m_height, m_stride, m_bottomUp};
  }

  std::recursive_mutex& Lock() override { return m_lock; }

  void Fill(uint32_t bgr) {
    for (int32_t y = 0; y < m_height; ++y) {
      for (int32_t x = 0; x < m_width; ++x) SetPixel(x, y, bgr);
    }
  }

  // Pixels are read and written in top-down client coordinates as 0xRRGGBB.
  uint32_t Pixel(int32_t x, int32_t y) const {
    const uint8_t* p = &m_bits[Offset(x, y)];
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
  }

  void SetPixel(int32_t x, int32_t y, uint32_t bgr) {
    uint8_t* p = &m_bits[Offset(x, y)];
    p[0] = static_cast<uint8_t>(bgr);
    p[1] = static_cast<uint8_t>(bgr >> 8);
    p[2] = static_cast<uint8_t>(bgr >> 16);
  }

  std::vector<scene::OGraph*> graphs;
  std::vector<Notice> notices;
  int framesPerSecond = 50;
  int removeCalls = 0;
  bool closing = false;

 private:
  size_t Offset(int32_t x, int32_t y) const {
    const int32_t row = m_bottomUp ? m_height - 1 - y : y;
    return static_cast<size_t>(row) * static_cast<size_t>(m_stride) + static_cast<size_t>(x) * 3;
  }

  int32_t m_width;
  int32_t m_height;
  int32_t m_stride;
  bool m_bottomUp;
  std::vector<uint8_t> m_bits;
  std::recursive_mutex m_lock;
};
