#include "platform/sdl/WindowSurface.hpp"

#include "platform/PixelScale.hpp"
#include "platform/WindowFrame.hpp"
#include "platform/sdl/Conversions.hpp"

#include <SDL.h>

#include <algorithm>

namespace platform {

void DrawFrame(SDL_Window* window, int frame, int scale) {
    SDL_Surface* surface = frame > 0 ? SDL_GetWindowSurface(window) : nullptr;
    if (surface == nullptr) return;
    const int width = surface->w;
    const int height = surface->h;
    const int band = std::min({frame * scale, width, height});
    // The four bands of the frame, drawn in 24 bits and converted into the surface's format.
    const SDL_Rect bands[4] = {{0, 0, width, band},
                               {0, height - band, width, band},
                               {0, band, band, height - 2 * band},
                               {width - band, band, band, height - 2 * band}};
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    std::vector<std::uint8_t> pixels;
    for (const SDL_Rect& part : bands) {
        if (part.w <= 0 || part.h <= 0) continue;
        pixels.assign(std::size_t(part.w) * std::size_t(part.h) * 3, 0);
        const Surface image{pixels.data(), part.w, part.h, part.w * 3, false};
        DrawWindowFrame(image, Rect{part.x, part.y, part.x + part.w, part.y + part.h}, width / scale,
                        height / scale, frame, scale);
        SDL_ConvertPixels(part.w, part.h, SDL_PIXELFORMAT_BGR24, pixels.data(), part.w * 3, surface->format->format,
                          static_cast<std::uint8_t*>(surface->pixels) + std::ptrdiff_t(part.y) * surface->pitch +
                              std::ptrdiff_t(part.x) * surface->format->BytesPerPixel,
                          surface->pitch);
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurfaceRects(window, bands, 4);
}

void CopyToSurface(SDL_Surface* surface, Point clientOffset, Size client, const Surface& pixels,
                   const Rect& area, int scale, std::vector<std::uint8_t>& unscaled) {
    const SDL_PixelFormat* format = surface->format;
    const int bytes = format->BytesPerPixel;
    // Client pixel (0, 0) lies inside the frame or the border.
    auto* surfaceClient = static_cast<std::uint8_t*>(surface->pixels) +
                          std::ptrdiff_t(clientOffset.y) * surface->pitch +
                          std::ptrdiff_t(clientOffset.x) * bytes;
    auto* target = surfaceClient;
    int pitch = surface->pitch;
    if (scale > 1) {
        // Converted at the program's size first, then scaled into the surface; at scale 1
        // the pixels go straight into the surface.
        pitch = client.width * bytes;
        unscaled.resize(std::size_t(pitch) * std::size_t(client.height));
        target = unscaled.data();
    }
    if (bytes == 4 && format->Rloss == 0 && format->Gloss == 0 && format->Bloss == 0) {
        const PackedFormat packed{format->Rshift, format->Gshift, format->Bshift, format->Amask};
        CopyBgrToPacked32(pixels, area, target, pitch, packed);
    } else {
        for (int y = area.top; y < area.bottom; ++y) {
            SDL_ConvertPixels(static_cast<int>(area.Width()), 1, SDL_PIXELFORMAT_BGR24,
                              pixels.row(y) + std::ptrdiff_t(area.left) * 3, pixels.stride, format->format,
                              target + std::ptrdiff_t(y) * pitch + std::ptrdiff_t(area.left) * bytes, pitch);
        }
    }
    if (scale > 1) ScaleArea(target, pitch, area, bytes, scale, surfaceClient, surface->pitch);
}

SDL_Surface* IconSurface(const Surface& image, std::uint32_t colourKey) {
    if (image.bits == nullptr || image.width <= 0 || image.height <= 0) return nullptr;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (icon == nullptr) return nullptr;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* in = image.row(y);
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(icon->pixels) +
                                                     std::ptrdiff_t(y) * icon->pitch);
        for (int x = 0; x < image.width; ++x, in += 3) {
            const std::uint32_t value = std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16;
            row[x] = value == colourKey ? 0 : 0xFF000000u | value;
        }
    }
    return icon;
}

} // namespace platform
