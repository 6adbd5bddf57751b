#include "PngImage.hpp"

#include <png.h>

#include <cstring>

namespace tools {

std::optional<RgbaImage> ReadPng(const std::string& path, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = png.message;
        return std::nullopt;
    }
    if (png.width == 0 || png.height == 0 || png.width > kMaxPngSide || png.height > kMaxPngSide) {
        png_image_free(&png);
        error = "picture size " + std::to_string(png.width) + "x" + std::to_string(png.height) +
                " is outside 1.." + std::to_string(kMaxPngSide);
        return std::nullopt;
    }
    png.format = PNG_FORMAT_RGBA;
    RgbaImage image;
    image.width = png.width;
    image.height = png.height;
    image.rgba.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, image.rgba.data(), 0, nullptr)) {
        error = png.message;
        png_image_free(&png);
        return std::nullopt;
    }
    return image;
}

bool WritePng(const std::string& path, const RgbaImage& image, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_RGBA;
    if (image.rgba.size() != PNG_IMAGE_SIZE(png)) {
        error = "picture data does not match its size";
        return false;
    }
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgba.data(), 0, nullptr)) {
        error = png.message;
        return false;
    }
    return true;
}

} // namespace tools
