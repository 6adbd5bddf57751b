#include "scene/Blit.hpp"

#include <algorithm>
#include <cstring>
#include <mutex>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "scene/OBitmap.hpp"
#include "scene/OpaqueRuns.hpp"

namespace scene {

namespace {

bool IsUsable(const uint8_t* bits, int32_t width, int32_t height, int32_t stride) {
    return bits != nullptr && width > 0 && height > 0 && int64_t{stride} >= int64_t{width} * 3;
}

// No 24-bit pixel equals a key above this.
constexpr uint32_t kLargestPixel = 0xFFFFFF;

void CopyRow(uint8_t* d, const uint8_t* s, int64_t count, uint32_t key) {
    for (int64_t i = 0; i < count; ++i, s += 3, d += 3) {
        const uint32_t pixel = uint32_t{s[0]} | (uint32_t{s[1]} << 8) | (uint32_t{s[2]} << 16);
        if (pixel == key) continue;
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
}

// Blends `count` bytes of unkeyed pixels at level 1..255. s + ((L * (d - s)) >> 8) with a
// flooring shift equals ((256 - L) * s + L * d) >> 8, whose terms are never negative and
// never exceed 256 * 255, so 16-bit unsigned lanes compute it exactly.
void BlendBytes(uint8_t* d, const uint8_t* s, size_t count, int level) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i sourceWeight = _mm_set1_epi16(static_cast<int16_t>(256 - level));
    const __m128i belowWeight = _mm_set1_epi16(static_cast<int16_t>(level));
    const auto mix = [&](__m128i source, __m128i below) {
        return _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(source, sourceWeight), _mm_mullo_epi16(below, belowWeight)), 8);
    };
    for (; i + 16 <= count; i += 16) {
        const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i below = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
        const __m128i low = mix(_mm_unpacklo_epi8(source, zero), _mm_unpacklo_epi8(below, zero));
        const __m128i high = mix(_mm_unpackhi_epi8(source, zero), _mm_unpackhi_epi8(below, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(low, high));
    }
    if (i + 8 <= count) {
        const __m128i source = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s + i));
        const __m128i below = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(d + i));
        const __m128i low = mix(_mm_unpacklo_epi8(source, zero), _mm_unpacklo_epi8(below, zero));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(low, zero));
        i += 8;
    }
#endif
    for (; i < count; ++i) {
        d[i] = static_cast<uint8_t>(((256 - level) * s[i] + level * d[i]) >> 8);
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

// Draws one opaque stretch [begin, end) of a stored row, clipped to the columns
// [first, last); `d` is where column `first` lands.
template <bool Blend>
inline void DrawRun(uint8_t* d, const uint8_t* imageRow, int64_t begin, int64_t end, int64_t first,
                    int64_t last, int level) {
    begin = std::max(begin, first);
    end = std::min(end, last);
    if (begin >= end) return;
    uint8_t* to = d + (begin - first) * 3;
    const uint8_t* from = imageRow + begin * 3;
    const size_t bytes = static_cast<size_t>(end - begin) * 3;
    if constexpr (Blend) {
        BlendBytes(to, from, bytes, level);
    } else {
        std::memcpy(to, from, bytes);
    }
}

// Draws `rows` rows through their opaque runs, from stored row `stored` on, columns
// [first, last) of each landing at `d`.
template <bool Blend>
void RunsRows(uint8_t* d, int64_t targetStep, const uint8_t* imageRow, int64_t imageStep,
              const TOpaqueRuns& runs, int64_t stored, int64_t storedStep, int64_t rows, int64_t first,
              int64_t last, int level) {
    const TOpaqueRuns::TRun* const all = runs.runs.data();
    if (runs.oneRunPerRow) {
        for (int64_t row = 0; row < rows;
             ++row, d += targetStep, imageRow += imageStep, stored += storedStep) {
            const TOpaqueRuns::TRun run = all[stored];
            DrawRun<Blend>(d, imageRow, run.begin, run.end, first, last, level);
        }
        return;
    }
    const size_t* const rowFirst = runs.rowFirst.data();
    for (int64_t row = 0; row < rows; ++row, d += targetStep, imageRow += imageStep, stored += storedStep) {
        const TOpaqueRuns::TRun* const end = all + rowFirst[stored + 1];
        for (const TOpaqueRuns::TRun* run = all + rowFirst[stored]; run != end; ++run) {
            if (run->begin >= last) break;
            DrawRun<Blend>(d, imageRow, run->begin, run->end, first, last, level);
        }
    }
}

} // namespace

bool BlitPixels(const BackBufferView& target, const ImageView& image, int64_t left, int64_t top,
                int64_t width, int64_t height, int64_t sourceLeft, int64_t sourceTop, uint32_t colourKey,
                int blendLevel, const TOpaqueRuns* runs) {
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
    if (colourKey > kLargestPixel) {
        // No pixel can match the key: every row is one opaque stretch.
        const size_t bytes = static_cast<size_t>(columns) * 3;
        if (level == 0) {
            for (int64_t row = 0; row < rows; ++row, d += targetStep, s += imageStep) std::memcpy(d, s, bytes);
        } else {
            for (int64_t row = 0; row < rows; ++row, d += targetStep, s += imageStep)
                BlendBytes(d, s, bytes, level);
        }
        return true;
    }
    if (runs != nullptr && runs->Fit(image, colourKey)) {
        const int64_t storedStep = image.bottomUp ? -1 : 1;
        const uint8_t* imageRowStart = image.bits + imageRow * image.stride;
        if (level == 0) {
            RunsRows<false>(d, targetStep, imageRowStart, imageStep, *runs, imageRow, storedStep, rows, sl,
                            sr, level);
        } else {
            RunsRows<true>(d, targetStep, imageRowStart, imageStep, *runs, imageRow, storedStep, rows, sl, sr,
                           level);
        }
        return true;
    }
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
    return bitmap.Composite(window.BackBuffer(), destination.left, destination.top, width, height,
                            source.left, source.top);
}

} // namespace scene
