#include "Picture.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ClipRgba.hpp"

namespace assetgen {

uint32_t PremultipliedPixel(const Rgb& colour, double alpha) {
    alpha = std::clamp(alpha, 0.0, 1.0);
    const uint32_t a = ToByte(alpha);
    const uint32_t r = ToByte(colour.r * alpha);
    const uint32_t g = ToByte(colour.g * alpha);
    const uint32_t b = ToByte(colour.b * alpha);
    return (a << 24) | (std::min(r, a) << 16) | (std::min(g, a) << 8) | std::min(b, a);
}

scene::TClipImage ToClipImage(const Picture& picture, const Rgb& background) {
    // Composited first, as the game will show it; what stays transparent becomes the key.
    tools::RgbaImage shown;
    shown.width = static_cast<uint32_t>(picture.width);
    shown.height = static_cast<uint32_t>(picture.height);
    shown.rgba.assign(static_cast<size_t>(picture.width) * picture.height * 4, 0);
    const int bgRed = ToByte(background.r);
    const int bgGreen = ToByte(background.g);
    const int bgBlue = ToByte(background.b);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t pixel = picture.At(x, y);
            const int a = static_cast<int>(pixel >> 24);
            if (a < kDrawnAlpha) continue;
            // Premultiplied source over an opaque background.
            int red = static_cast<int>((pixel >> 16) & 0xFF) + (bgRed * (255 - a) + 127) / 255;
            int green = static_cast<int>((pixel >> 8) & 0xFF) + (bgGreen * (255 - a) + 127) / 255;
            int blue = static_cast<int>(pixel & 0xFF) + (bgBlue * (255 - a) + 127) / 255;
            red = std::min(red, 255);
            green = std::min(green, 255);
            blue = std::min(blue, 255);
            if (red == kKeyRed && green == kKeyGreen && blue == kKeyBlue) green = 1;
            uint8_t* d = &shown.rgba[(static_cast<size_t>(y) * picture.width + x) * 4];
            d[0] = static_cast<uint8_t>(red);
            d[1] = static_cast<uint8_t>(green);
            d[2] = static_cast<uint8_t>(blue);
            d[3] = 255;
        }
    }
    // The key names a colour, so every transparent pixel has one to take.
    return *tools::RgbaToClipImage(shown, PixelValue(kKeyRed, kKeyGreen, kKeyBlue), true);
}

Picture FromClipImage(const scene::TClipImage& image) {
    const tools::RgbaImage rgba = tools::ClipImageToRgba(image);
    Picture picture(image.width, static_cast<int>(rgba.height));
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* s = &rgba.rgba[(static_cast<size_t>(y) * picture.width + x) * 4];
            if (s[3] == 0) continue;
            picture.At(x, y) = 0xFF000000u | (uint32_t{s[0]} << 16) | (uint32_t{s[1]} << 8) | s[2];
        }
    }
    return picture;
}

scene::TClipFrame Frame(int16_t image, std::vector<int32_t> commands) {
    scene::TClipFrame frame;
    frame.image = image;
    frame.commands = std::move(commands);
    return frame;
}

scene::TClipData SequenceClip(const std::vector<Picture>& pictures, float frameRate, const Rgb& background) {
    scene::TClipData clip;
    clip.frameRate = frameRate;
    for (size_t i = 0; i < pictures.size(); ++i) {
        clip.images.push_back(ToClipImage(pictures[i], background));
        clip.frames.push_back(Frame(static_cast<int16_t>(i)));
    }
    return clip;
}

} // namespace assetgen
