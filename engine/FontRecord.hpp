#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace engine {

// The font a text object carries and copies whole. Height: positive is the
// character cell height in pixels, negative the character (em) height.
struct FontRecord {
    std::array<char, 20> face{'A', 'r', 'i', 'a', 'l'};  // zero-terminated
    std::uint32_t colour = 0;                             // 0x00BBGGRR
    std::int32_t height = 32;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;  // 0 default, 700 bold
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;

    // Stores at most 19 characters of the name.
    void SetFace(std::string_view name) {
        face.fill(0);
        for (std::size_t i = 0; i < name.size() && i + 1 < face.size(); ++i) face[i] = name[i];
    }
    std::string_view Face() const {
        std::size_t n = 0;
        while (n < face.size() && face[n]) ++n;
        return {face.data(), n};
    }
};

} // namespace engine
