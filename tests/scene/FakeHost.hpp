#pragma once

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "scene/OGraph.hpp"
#include "scene/SceneHost.hpp"

// A window stand-in: a graph list with orders, every notification recorded, and a 24-bit
// back buffer whose pixels tests read and write top-down as 0xRRGGBB.
class FakeHost : public scene::SceneHost {
public:
    struct Notice {
        scene::OGraph* top;
        scene::OGraph* origin;
        scene::Visibility visibility;
        scene::Rect rect;
    };

    explicit FakeHost(int32_t width = 0, int32_t height = 0, bool bottomUp = true)
        : m_view{nullptr, width, height, (width * 3 + 3) & ~3, bottomUp},
          m_bits(static_cast<size_t>(m_view.stride * height)) {
        m_view.bits = m_bits.data();
    }

    void AddObject(scene::OGraph* object) {
        graphs.push_back(object);
        object->SetOrder(static_cast<int>(graphs.size()));
        object->AttachWindow(this);
    }

    void RemoveObject(scene::OGraph* object) override {
        ++removeCalls;
        auto found = std::find(graphs.begin(), graphs.end(), object);
        if (found == graphs.end()) return;
        for (auto it = graphs.erase(found); it != graphs.end(); ++it) (*it)->SetOrder((*it)->Order() - 1);
        if (!object->IsBeingDestroyed()) object->AttachWindow(nullptr);
    }

    void ObjectNotify(scene::OGraph* top, scene::OGraph* origin, scene::Visibility visibility,
                      const scene::Rect& rect) override {
        if (!rect.IsEmpty()) notices.push_back({top, origin, visibility, rect});
    }

    bool IsClosing() const override { return closing; }
    scene::BackBufferView BackBuffer() override { return m_view; }
    scene::WindowMutex& Lock() override { return m_lock; }

    uint8_t* At(int32_t x, int32_t y) { return m_view.row(y) + x * 3; }
    uint32_t Pixel(int32_t x, int32_t y) {
        const uint8_t* p = At(x, y);
        return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    }
    void Fill(uint32_t colour) {
        for (int32_t y = 0; y < m_view.height; ++y) {
            for (int32_t x = 0; x < m_view.width; ++x) {
                for (int c = 0; c < 3; ++c) At(x, y)[c] = static_cast<uint8_t>(colour >> (8 * c));
            }
        }
    }

    std::vector<scene::OGraph*> graphs;
    std::vector<Notice> notices;
    int removeCalls = 0;
    bool closing = false;

private:
    scene::BackBufferView m_view;
    std::vector<uint8_t> m_bits;
    scene::WindowMutex m_lock;
};
