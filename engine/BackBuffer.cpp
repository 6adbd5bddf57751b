#include "engine/BackBuffer.hpp"

#include <algorithm>
#include <cstring>

namespace engine {

void BackBuffer::Allocate(int width, int height, std::uint32_t background) {
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_stride = BackBufferStride(m_width);
    m_bits.assign(std::size_t(m_stride) * std::size_t(m_height), 0);
    m_backgroundRow.assign(std::size_t(m_stride), 0);
    for (int x = 0; x + 2 < m_stride; x += 3) {
        m_backgroundRow[std::size_t(x)] = std::uint8_t(background >> 16);
        m_backgroundRow[std::size_t(x) + 1] = std::uint8_t(background >> 8);
        m_backgroundRow[std::size_t(x) + 2] = std::uint8_t(background);
    }
    scene::Rect whole{0, 0, m_width, m_height};
    ClearRect(&whole);
}

scene::BackBufferView BackBuffer::View() { return {m_bits.data(), m_width, m_height, m_stride, true}; }

void BackBuffer::ClearRect(scene::Rect* rect) {
    if (!rect || m_bits.empty()) return;
    if (rect->left >= m_width || rect->top >= m_height || rect->right <= 0 || rect->bottom <= 0) return;
    rect->left = std::max(rect->left, 0);
    rect->top = std::max(rect->top, 0);
    rect->right = std::min(rect->right, m_width);
    rect->bottom = std::min(rect->bottom, m_height);
    if (rect->IsEmpty()) return;
    const std::size_t from = std::size_t(rect->left) * 3, count = std::size_t(rect->right - rect->left) * 3;
    const scene::BackBufferView view = View();
    for (int y = rect->top; y < rect->bottom; ++y)
        std::memcpy(view.row(y) + from, m_backgroundRow.data() + from, count);
}

} // namespace engine
