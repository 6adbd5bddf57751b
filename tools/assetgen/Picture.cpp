#include "Picture.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "scene/ClipFormat.hpp"

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
    scene::TClipImage image;
    image.width = picture.width;
    image.height = -picture.height;
    image.colourKey = PixelValue(kKeyRed, kKeyGreen, kKeyBlue);
    const int32_t stride = *scene::ImageStride(picture.width);
    image.pixels.assign(static_cast<size_t>(stride) * picture.height, 0);
    const int bgRed = ToByte(background.r);
    const int bgGreen = ToByte(background.g);
    const int bgBlue = ToByte(background.b);
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* row = image.pixels.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < picture.width; ++x) {
            const uint32_t pixel = picture.At(x, y);
            const int a = static_cast<int>(pixel >> 24);
            int red = kKeyRed;
            int green = kKeyGreen;
            int blue = kKeyBlue;
            if (a >= kDrawnAlpha) {
                // Premultiplied source over an opaque background.
                red = static_cast<int>((pixel >> 16) & 0xFF) + (bgRed * (255 - a) + 127) / 255;
                green = static_cast<int>((pixel >> 8) & 0xFF) + (bgGreen * (255 - a) + 127) / 255;
                blue = static_cast<int>(pixel & 0xFF) + (bgBlue * (255 - a) + 127) / 255;
                red = std::min(red, 255);
                green = std::min(green, 255);
                blue = std::min(blue, 255);
                if (red == kKeyRed && green == kKeyGreen && blue == kKeyBlue) green = 1;
            }
            row[3 * x + 0] = static_cast<uint8_t>(blue);
            row[3 * x + 1] = static_cast<uint8_t>(green);
            row[3 * x + 2] = static_cast<uint8_t>(red);
        }
    }
    return image;
}

Picture FromClipImage(const scene::TClipImage& image) {
    const int height = std::abs(image.height);
    Picture picture(image.width, height);
    const int32_t stride = *scene::ImageStride(image.width);
    for (int y = 0; y < height; ++y) {
        const int row = image.height < 0 ? y : height - 1 - y;
        const uint8_t* source = image.pixels.data() + static_cast<size_t>(row) * stride;
        for (int x = 0; x < image.width; ++x) {
            const uint8_t blue = source[3 * x];
            const uint8_t green = source[3 * x + 1];
            const uint8_t red = source[3 * x + 2];
            if (PixelValue(red, green, blue) == (image.colourKey & 0xFFFFFF)) continue;
            picture.At(x, y) = 0xFF000000u | (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue;
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
