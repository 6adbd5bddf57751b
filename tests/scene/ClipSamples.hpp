#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "scene/ByteReader.hpp"
#include "scene/ClipFormat.hpp"
#include "scene/OClip.hpp"
#include "scene/TClipData.hpp"

// An image of one colour (0xRRGGBB) with padded rows.
inline scene::TClipImage SolidImage(int32_t width, int32_t height, uint32_t colour,
                                    uint32_t key = 0xFFFFFFFF) {
    scene::TClipImage image{width, height, key, {}};
    const size_t stride = static_cast<size_t>(*scene::ImageStride(width));
    image.pixels.assign(stride * static_cast<size_t>(std::abs(height)), 0);
    for (size_t row = 0; row < static_cast<size_t>(std::abs(height)); ++row) {
        for (size_t i = 0; i < static_cast<size_t>(width) * 3; ++i) {
            image.pixels[row * stride + i] = static_cast<uint8_t>(colour >> (8 * (i % 3)));
        }
    }
    return image;
}

// One frame per command list, frame i showing its own 4x4 image of colour 0x10 * (i + 1).
inline scene::TClipData SequenceClip(float rate, const std::vector<std::vector<int32_t>>& commands) {
    scene::TClipData clip{rate, {}, {}};
    for (size_t i = 0; i < commands.size(); ++i) {
        clip.images.push_back(SolidImage(4, 4, 0x10u * static_cast<uint32_t>(i + 1)));
        clip.frames.push_back({0, 0, 0, static_cast<int16_t>(i), commands[i]});
    }
    return clip;
}

// A new clip loaded from the description, or null when the load fails.
inline scene::OClip* LoadClip(const scene::TClipData& data) {
    const std::vector<uint8_t> bytes = scene::WriteClip(data).value_or(std::vector<uint8_t>{});
    auto* clip = new scene::OClip;
    scene::ByteReader stream(bytes);
    if (clip->LoadMemory(stream, -1)) return clip;
    scene::OGraph::Release(clip);
    return nullptr;
}
