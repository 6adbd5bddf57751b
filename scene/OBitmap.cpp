#include "scene/OBitmap.hpp"

#include <cmath>
#include <cstdlib>

#include "scene/ByteReader.hpp"
#include "scene/ClipFormat.hpp"
#include "scene/Rect.hpp"
#include "scene/SceneHost.hpp"

namespace scene {

ImageView OBitmap::View() const {
    if (!m_image) return {};
    const TImageHeader& header = m_image->header;
    return ImageView{m_image->pixels.data(), header.width, std::abs(header.height), m_stride,
                     header.height > 0};
}

uint8_t* OBitmap::Pixels() {
    if (!m_image) return nullptr;
    m_image->edits.fetch_add(1, std::memory_order_relaxed);
    return m_image->pixels.data();
}

bool OBitmap::Composite(const BackBufferView& target, int64_t left, int64_t top, int64_t width,
                        int64_t height, int64_t sourceLeft, int64_t sourceTop) const {
    if (!m_image) return false;
    const ImageView view = View();
    if (m_colourKey > 0xFFFFFF) {
        // No pixel can match such a key, so there are no runs to find.
        return BlitPixels(target, view, left, top, width, height, sourceLeft, sourceTop, m_colourKey,
                          m_blendLevel);
    }
    Image& image = *m_image;
    std::lock_guard lock(image.runsLock);
    const uint64_t edits = image.edits.load(std::memory_order_relaxed);
    if (!image.runsFound || image.runsEdits != edits || !image.runs.Fit(view, m_colourKey)) {
        FindOpaqueRuns(view, m_colourKey, image.runs);
        image.runsEdits = edits;
        image.runsFound = true;
    }
    return BlitPixels(target, view, left, top, width, height, sourceLeft, sourceTop, m_colourKey,
                      m_blendLevel, &image.runs);
}

void OBitmap::ReleaseContent() {
    if (m_shareCount > 0) return;
    const bool wasVisible = m_visible;
    Hide();
    m_width = m_height = m_depth = 0;
    m_savedWidth = m_savedHeight = m_savedDepth = 0;
    // Pixels that came from a source stay with it; the source may now be destroyed.
    DropSource();
    m_image.reset();
    m_stride = 0;
    if (wasVisible) Show();
}

OGraph* OBitmap::Clone() {
    auto* copy = new OBitmap;
    if (!copy->CopyFrom(this)) {
        Release(copy);
        return nullptr;
    }
    return copy;
}

bool OBitmap::CopyFrom(OGraph* other) {
    if (!OGraph::CopyFrom(other)) return false;
    auto* source = dynamic_cast<OBitmap*>(m_source);
    if (source == nullptr) return false;
    m_image = source->m_image;
    m_stride = source->m_stride;
    return true;
}

void OBitmap::RestoreGeometry() {
    const bool wasVisible = m_visible;
    Hide();
    OGraph::RestoreGeometry();
    SetVisible(wasVisible);
}

bool OBitmap::SetPosition(float x, float y, float z) {
    if (m_visible &&
        (TruncatedDiffers(x, m_relX) || TruncatedDiffers(y, m_relY) || TruncatedDiffers(z, m_relZ))) {
        Hide();
        OGraph::SetPosition(x, y, z);
        Show();
    } else {
        OGraph::SetPosition(x, y, z);
    }
    return true;
}

bool OBitmap::SetSize(float width, float height, float depth) {
    const bool wasVisible = m_visible;
    Hide();
    OGraph::SetSize(width, height, depth);
    SetVisible(wasVisible);
    return true;
}

bool OBitmap::MoveWindowBy(float dx, float dy, float dz) {
    SaveGeometry();
    const bool moves = m_visible && (TruncatedDiffers(m_x + dx, m_x) || TruncatedDiffers(m_y + dy, m_y) ||
                                     TruncatedDiffers(m_z + dz, m_z));
    if (moves) Hide();
    m_x += dx;
    m_y += dy;
    m_z += dz;
    if (moves) Show();
    return true;
}

bool OBitmap::LoadMemory(ByteReader& stream, int64_t size) {
    if (m_shareCount > 0) return false;
    ReleaseContent();
    const std::optional<TImageRecordHeader> record = ReadImageRecordHeader(stream, size);
    if (!record) return false;

    auto image = std::make_shared<Image>();
    image->header.width = record->width;
    image->header.height = record->height;
    image->header.bitsPerPixel = kDrawableBitsPerPixel;
    image->header.imageSize = record->imageSize;
    // The record head has already proved that the stream holds these bytes.
    image->pixels.resize(record->imageSize);
    if (!stream.Read(image->pixels.data(), image->pixels.size())) return false;

    m_image = std::move(image);
    m_stride = record->stride;
    m_width = m_savedWidth = static_cast<float>(record->width);
    m_height = m_savedHeight = static_cast<float>(std::abs(record->height));
    m_colourKey = record->colourKey;
    return true;
}

bool OBitmap::CreateBlank(float width, float height) {
    if (m_shareCount > 0) return false;
    if (!std::isfinite(width) || !std::isfinite(height)) return false;
    if (width < 0 || width >= kMaxCanvasSide + 1.0f || std::fabs(height) >= kMaxCanvasSide + 1.0f) {
        return false;
    }
    ReleaseContent();
    const int32_t w = static_cast<int32_t>(width);
    const int32_t h = static_cast<int32_t>(height);
    const int32_t stride = *ImageStride(w);
    auto image = std::make_shared<Image>();
    image->header.width = w;
    image->header.height = h;
    image->header.bitsPerPixel = kDrawableBitsPerPixel;
    image->header.imageSize = static_cast<uint32_t>(std::abs(h) * stride);
    image->pixels.assign(image->header.imageSize, 0);
    m_image = std::move(image);
    m_stride = stride;
    m_width = static_cast<float>(w);
    m_height = static_cast<float>(std::abs(h));
    m_colourKey = 0;
    return true;
}

void OBitmap::Draw(Rect* clip) {
    OGraph::Draw(clip);
    if (!m_visible || m_window == nullptr || !m_image) return;
    Rect destination;
    Rect source;
    if (clip == nullptr) {
        const int32_t left = TruncateToInt(m_x);
        const int32_t top = TruncateToInt(m_y);
        const int32_t width = TruncateToInt(m_width);
        const int32_t height = TruncateToInt(m_height);
        destination = Rect{left, top, TruncateToInt(static_cast<double>(left) + width),
                           TruncateToInt(static_cast<double>(top) + height)};
        source = Rect{0, 0, width, height};
    } else if (clip->Width() > 0 && clip->Height() > 0) {
        destination = *clip;
        const int32_t left = TruncateToInt(static_cast<double>(clip->left) - m_x);
        const int32_t top = TruncateToInt(static_cast<double>(clip->top) - m_y);
        source = Rect{left, top, TruncateToInt(static_cast<double>(left) + static_cast<double>(clip->Width())),
                      TruncateToInt(static_cast<double>(top) + static_cast<double>(clip->Height()))};
    } else {
        clip->left = clip->right;
        clip->top = clip->bottom;
        return;
    }
    Blit(*m_window, *this, destination, source);
}

void OBitmap::SetVisible(bool flag) {
    if (flag == m_visible) return;
    m_visible = flag;
    const Rect bounds = Bounds();
    NotifyDisplay(this, flag ? Visibility::Shown : Visibility::Hidden, &bounds);
}

void OBitmap::SetBlend(int level) {
    m_blendLevel = level;
    if (!m_visible) return;
    const Rect bounds = Bounds();
    NotifyDisplay(this, Visibility::Shown, &bounds);
}

} // namespace scene
