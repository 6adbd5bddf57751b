#include "scene/OpaqueRuns.hpp"

namespace scene {

void FindOpaqueRuns(const ImageView& image, uint32_t key, TOpaqueRuns& runs) {
    runs.key = key;
    runs.width = 0;
    runs.height = 0;
    runs.rowFirst.clear();
    runs.runs.clear();
    runs.oneRunPerRow = false;
    if (image.bits == nullptr || image.width <= 0 || image.height <= 0 ||
        int64_t{image.stride} < int64_t{image.width} * 3) {
        return;
    }
    runs.width = image.width;
    runs.height = image.height;
    runs.rowFirst.reserve(static_cast<size_t>(image.height) + 1);
    for (int32_t row = 0; row < image.height; ++row) {
        runs.rowFirst.push_back(runs.runs.size());
        const uint8_t* p = image.bits + int64_t{row} * image.stride;
        int32_t x = 0;
        while (x < image.width) {
            // The same comparison as the per-pixel rule: the three bytes read as one integer.
            const auto isKey = [&](int32_t column) {
                const uint8_t* q = p + int64_t{column} * 3;
                return (uint32_t{q[0]} | (uint32_t{q[1]} << 8) | (uint32_t{q[2]} << 16)) == key;
            };
            while (x < image.width && isKey(x)) ++x;
            if (x == image.width) break;
            const int32_t begin = x;
            while (x < image.width && !isKey(x)) ++x;
            runs.runs.push_back({begin, x});
        }
    }
    runs.rowFirst.push_back(runs.runs.size());

    for (int32_t row = 0; row < image.height; ++row) {
        if (runs.rowFirst[row + 1] - runs.rowFirst[row] > 1) return;
    }
    // Rebuilt back to front, so that every run moves only to a later slot or stays.
    runs.runs.resize(static_cast<size_t>(image.height));
    for (int32_t row = image.height - 1; row >= 0; --row) {
        const bool has = runs.rowFirst[row + 1] > runs.rowFirst[row];
        runs.runs[row] = has ? runs.runs[runs.rowFirst[row]] : TOpaqueRuns::TRun{};
        runs.rowFirst[row + 1] = static_cast<size_t>(row) + 1;
    }
    runs.rowFirst[0] = 0;
    runs.oneRunPerRow = true;
}

} // namespace scene
