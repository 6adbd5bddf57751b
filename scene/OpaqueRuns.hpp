#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/Blit.hpp"

namespace scene {

// The stretches of each stored row of an image whose pixels differ from one colour key, so
// that the compositor can copy them whole instead of testing every pixel.
struct TOpaqueRuns {
    // Pixel columns [begin, end) of one row, none of them equal to the key.
    struct TRun {
        int32_t begin = 0;
        int32_t end = 0;
    };

    uint32_t key = 0;
    int32_t width = 0;
    int32_t height = 0;
    // Runs of memory row r (in storage order) are runs[rowFirst[r]] up to runs[rowFirst[r + 1]].
    std::vector<size_t> rowFirst;
    std::vector<TRun> runs;
    // Set when no row has more than one run; then runs[r] is the run of row r, possibly empty,
    // which spares the compositor a lookup per row.
    bool oneRunPerRow = false;

    // True when these runs were found in an image of this size for this key.
    bool Fit(const ImageView& image, uint32_t colourKey) const {
        return key == colourKey && width == image.width && height == image.height &&
               rowFirst.size() == static_cast<size_t>(height) + 1;
    }
};

// Fills `runs` with the opaque runs of `image` for `key`, reusing its storage; an unusable
// image gets no rows.
void FindOpaqueRuns(const ImageView& image, uint32_t key, TOpaqueRuns& runs);

} // namespace scene
