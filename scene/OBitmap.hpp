#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "scene/Blit.hpp"
#include "scene/OGraph.hpp"
#include "scene/OpaqueRuns.hpp"

namespace scene {

// One 24-bit raster image that draws itself into its window's back buffer. Clones share
// the pixels of their source.
class OBitmap : public OGraph {
public:
    // The device-independent bitmap header kept with the pixels.
    struct TImageHeader {
        int32_t size = 40;
        int32_t width = 0;
        int32_t height = 0; // Positive: rows stored bottom-up; negative: top-down.
        uint16_t planes = 1;
        uint16_t bitsPerPixel = 24;
        uint32_t compression = 0;
        uint32_t imageSize = 0;
        int32_t xPixelsPerMetre = 2816;
        int32_t yPixelsPerMetre = 2816;
        uint32_t coloursUsed = 0;
        uint32_t coloursImportant = 0;
    };

    // Largest width or height of a blank canvas; keeps run-time canvases bounded.
    static constexpr int32_t kMaxCanvasSide = 16384;

    OBitmap() = default;

    void ReleaseContent() override;
    OGraph* Clone() override;
    void RestoreGeometry() override;
    bool SetPosition(float x, float y, float z) override;
    bool SetSize(float width, float height, float depth) override;
    bool MoveWindowBy(float dx, float dy, float dz) override;
    // Reads an image record of `size` bytes at the stream position; refuses shared objects
    // and records the compositor cannot draw.
    bool LoadMemory(ByteReader& stream, int64_t size) override;
    void Draw(Rect* clip) override;
    void SetVisible(bool flag) override;
    void SetBlend(int level) override;

    // Shares other's pixels; false when other is missing, is not a bitmap, or this object is
    // itself a source.
    bool CopyFrom(OGraph* other);

    // Makes a black 24-bit canvas with colour key 0, so it is transparent until changed.
    // A positive height gives bottom-up rows. False (and nothing changes) for a shared object,
    // a non-finite size, a negative width or a side above kMaxCanvasSide.
    bool CreateBlank(float width, float height);

    bool HasPixels() const { return m_image != nullptr; }
    const TImageHeader* Header() const { return m_image ? &m_image->header : nullptr; }
    int32_t Stride() const { return m_stride; }
    // The pixel rows for writing, shared with every clone; null when empty. Handing them out
    // makes the compositor find the opaque runs afresh at the next draw, so every write must
    // be made before the image is next drawn; fetch the pointer again for later edits.
    uint8_t* Pixels();
    // The pixel rows for reading; null when empty.
    const uint8_t* Pixels() const { return m_image ? m_image->pixels.data() : nullptr; }
    // The image as the compositor reads it; an empty view when there are no pixels.
    ImageView View() const;

    // Composites part of the image into `target` with this object's colour key and blend
    // level, as BlitPixels does. The opaque runs of the image are kept with the pixels and
    // found again only after the pixels were handed out for writing or the key changed.
    bool Composite(const BackBufferView& target, int64_t left, int64_t top, int64_t width, int64_t height,
                   int64_t sourceLeft, int64_t sourceTop) const;

private:
    struct Image {
        TImageHeader header;
        std::vector<uint8_t> pixels;
        // Counts the times the pixels were handed out for writing.
        std::atomic<uint64_t> edits{0};
        // Windows on different threads may draw clones of one image at once.
        std::mutex runsLock;
        // Valid only while `runsEdits` equals `edits` and the key is the one drawn with.
        TOpaqueRuns runs;
        uint64_t runsEdits = 0;
        bool runsFound = false;
    };

    void Hide() { SetVisible(false); }
    void Show() { SetVisible(true); }

    std::shared_ptr<Image> m_image;
    int32_t m_stride = 0;
};

} // namespace scene
