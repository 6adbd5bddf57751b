#include "scene/Blit.hpp"

#include <algorithm>
#include <mutex>

#include "scene/OBitmap.hpp"

namespace scene {

namespace {

bool IsUsable(const uint8_t* bits, int32_t width, int32_t height, int32_t stride) {
  return bits != nullptr && width > 0 && height > 0 && int64_t{stride} >= int64_t{width} * 3;
}

void CopyRow(uint8_t* d, const uint8_t* s, int64_t count, uint32_t key) {
  for (int64_t i = 0; i < count; ++i, s += 3, d += 3) {
    const uint32_t pixel = uint32_t{s[0]} | (uint32_t{s[1]} << 8) | (uint32_t{s[2]} << 16);
    if (pixel == key) continue;
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
  }
}

void BlendRow(uint8_t* d, const uint8_t* s, int64_t count, uint32_t key, int level) {
  for (int64_t i = 0; i < count; ++i, s += 3, d += 3) {
    const uint32_t pixel = uint32_t{s[0]} | (uint32_t{s[1]} << 8) | (uint32_t{s[2]} << 16);
    if (pixel == key) continue;
    for (int c = 0; c < 3; ++c) {
      const int source = s[c];
      const int below = d[c];
      // The shift floors, so the result always lies between source and below.
      d[c] = static_cast<uint8_t>(source + ((level * (below - source)) >> 8));
    }
  }
}

}  // namespace

bool BlitPixels(const BackBufferView& target, const ImageView& image, int64_t left, int64_t top,
                int64_t width, int64_t height, int64_t sourceLeft, int64_t sourceTop,
                uint32_t colourKey, int blendLevel) {
  if (!IsUsable(target.bits, target.width, target.height, target.stride)) return false;
  if (!IsUsable(image.bits, image.width, image.height, image.stride)) return false;
  if (width <= 0 || height <= 0) return false;

  int64_t dl = left, dt = top, dr = left + width, db = top + height;
  int64_t sl = sourceLeft, st = sourceTop, sr = sourceLeft + width, sb = sourceTop + height;

  // Clip against the back buffer, moving the source edges by the same amounts.
  if (dr > target.width) {
    sr -= dr - target.width;
    dr = target.width;
  }
  if (dl < 0) {
    sl -= dl;
    dl = 0;
  }
  if (db > target.height) {
    sb -= db - target.height;
    db = target.height;
  }
  if (dt < 0) {
    st -= dt;
    dt = 0;
  }
  // Clip against the image, moving the destination edges by the same amounts.
  if (sr > image.width) {
    dr -= sr - image.width;
    sr = image.width;
  }
  if (sl < 0) {
    dl -= sl;
    sl = 0;
  }
  if (sb > image.height) {
    db -= sb - image.height;
    sb = image.height;
  }
  if (st < 0) {
    dt -= st;
    st = 0;
  }

  if (dl < 0 || dt < 0 || dr > target.width || db > target.height) return false;
  if (sl < 0 || st < 0 || sr > image.width || sb > image.height) return false;
  if (dl >= dr || dt >= db || sl >= sr || st >= sb) return false;

  const int64_t columns = dr - dl;
  const int64_t rows = db - dt;
  const int64_t targetRow = target.bottomUp ? target.height - 1 - dt : dt;
  const int64_t targetStep = target.bottomUp ? -int64_t{target.stride} : target.stride;
  const int64_t imageRow = image.bottomUp ? image.height - 1 - st : st;
  const int64_t imageStep = image.bottomUp ? -int64_t{image.stride} : image.stride;
  const int level = std::clamp(blendLevel, 0, 255);

  uint8_t* d = target.bits + targetRow * target.stride + dl * 3;
  const uint8_t* s = image.bits + imageRow * image.stride + sl * 3;
  for (int64_t row = 0; row < rows; ++row, d += targetStep, s += imageStep) {
    if (level == 0) {
      CopyRow(d, s, columns, colourKey);
    } else {
      BlendRow(d, s, columns, colourKey, level);
    }
  }
  return true;
}

bool Blit(SceneHost& window, const OBitmap& bitmap, const Rect& destination, const Rect& source) {
  const int64_t width = std::min(destination.Width(), source.Width());
  const int64_t height = std::min(destination.Height(), source.Height());
  std::lock_guard lock(window.Lock());
  return BlitPixels(window.BackBuffer(), bitmap.View(), destination.left, destination.top, width,
                    height, source.left, source.top, bitmap.ColourKey(), bitmap.BlendLevel());
}

}  // namespace scene
