#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "scene/ByteReader.hpp"
#include "scene/ClipFormat.hpp"
#include "scene/OClip.hpp"
#include "scene/TClipData.hpp"

// An image of one colour (0xRRGGBB), with every row padded to the stride.
inline scene::TClipImage SolidImage(int32_t width, int32_t height, uint32_t colour,
                                    uint32_t key = 0xFFFFFFFF) {
  scene::TClipImage image;
  image.width = width;
  image.height = height;
  image.colourKey = key;
  const int32_t stride = *scene::ImageStride(width);
  image.pixels.assign(static_cast<size_t>(stride) * static_cast<size_t>(std::abs(height)), 0);
  for (int32_t y = 0; y < std::abs(height); ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = &image.pixels[static_cast<size_t>(y * stride + x * 3)];
      p[0] = static_cast<uint8_t>(colour);
      p[1] = static_cast<uint8_t>(colour >> 8);
      p[2] = static_cast<uint8_t>(colour >> 16);
    }
  }
  return image;
}

// A clip of `commands.size()` frames, each with its own 4x4 image of colour 0x10 * (i + 1)
// and the given command list.
inline scene::TClipData SequenceClip(float rate, const std::vector<std::vector<int32_t>>& commands) {
  scene::TClipData clip;
  clip.frameRate = rate;
  for (size_t i = 0; i < commands.size(); ++i) {
    clip.images.push_back(SolidImage(4, 4, 0x10u * static_cast<uint32_t>(i + 1)));
    clip.frames.push_back({0, 0, 0, static_cast<int16_t>(i), commands[i]});
  }
  return clip;
}

// A new clip loaded from the description, or null when the load fails.
inline scene::OClip* LoadClip(const scene::TClipData& data) {
  const std::optional<std::vector<uint8_t>> bytes = scene::WriteClip(data);
  if (!bytes) return nullptr;
  auto* clip = new scene::OClip;
  scene::ByteReader stream(*bytes);
  if (!clip->LoadMemory(stream, -1)) {
    scene::OGraph::Release(clip);
    return nullptr;
  }
  return clip;
}
