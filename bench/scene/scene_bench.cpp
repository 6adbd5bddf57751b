// The compositor against well-known peers on the same 34 x 33 disc sprites, drawn at the same
// 128 fixed-seed places of a 750 x 600 24-bit buffer in the same run, reported as ratios; and
// the absolute time of a whole frame through the window's Render.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/OWindow.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "scene/Blit.hpp"
#include "scene/OBitmap.hpp"
#include "tools/driver/HeadlessDriver.hpp"

namespace {

constexpr int kSpriteWidth = 34;
constexpr int kSpriteHeight = 33;
constexpr int kBufferWidth = 750;
constexpr int kBufferHeight = 600;
constexpr int kSprites = 128;
constexpr int kFrameSprites = 150;
constexpr uint32_t kKey = 0xFF00FF;
constexpr uint32_t kNoKey = 0xFFFFFFFF;

// A back buffer laid out as the window's: bottom-up rows padded to 4 bytes.
class BenchHost : public scene::SceneHost {
public:
    BenchHost()
        : m_view{nullptr, kBufferWidth, kBufferHeight, (kBufferWidth * 3 + 3) & ~3, true},
          m_bits(static_cast<size_t>(m_view.stride) * kBufferHeight, 0x40) {
        m_view.bits = m_bits.data();
    }
    void RemoveObject(scene::OGraph*) override {}
    void ObjectNotify(scene::OGraph*, scene::OGraph*, scene::Visibility, const scene::Rect&) override {}
    bool IsClosing() const override { return false; }
    scene::BackBufferView BackBuffer() override { return m_view; }
    scene::WindowMutex& Lock() override { return m_lock; }

private:
    scene::BackBufferView m_view;
    std::vector<uint8_t> m_bits;
    scene::WindowMutex m_lock;
};

bool InDisc(int x, int y) {
    const double dx = x + 0.5 - kSpriteWidth / 2.0, dy = y + 0.5 - kSpriteHeight / 2.0;
    const double radius = kSpriteHeight / 2.0;
    return dx * dx + dy * dy <= radius * radius;
}

// The colour of the disc sprite at top-down (x, y): shaded inside the circle, the key outside.
uint32_t DiscColour(int x, int y, bool keyed) {
    if (keyed && !InDisc(x, y)) return kKey;
    return 0x102030u + 0x050000u * static_cast<uint32_t>(x) + 0x000600u * static_cast<uint32_t>(y);
}

// A disc sprite made the way run-time canvases are: a blank bitmap whose pixels are written.
std::unique_ptr<scene::OBitmap> MakeSprite(uint32_t key, bool keyed) {
    auto bitmap = std::make_unique<scene::OBitmap>();
    bitmap->CreateBlank(kSpriteWidth, kSpriteHeight);
    const scene::ImageView view = bitmap->View();
    uint8_t* bits = bitmap->Pixels();
    for (int y = 0; y < kSpriteHeight; ++y) {
        uint8_t* row = bits + (view.bottomUp ? kSpriteHeight - 1 - y : y) * view.stride;
        for (int x = 0; x < kSpriteWidth; ++x) {
            const uint32_t colour = DiscColour(x, y, keyed);
            for (int c = 0; c < 3; ++c) row[x * 3 + c] = static_cast<uint8_t>(colour >> (8 * c));
        }
    }
    bitmap->SetColourKey(key);
    return bitmap;
}

struct Place {
    int x, y;
};

const std::vector<Place>& Places() {
    static const std::vector<Place> places = [] {
        std::mt19937 rng(2024);
        std::uniform_int_distribution<int> x(0, kBufferWidth - kSpriteWidth);
        std::uniform_int_distribution<int> y(0, kBufferHeight - kSpriteHeight);
        std::vector<Place> out;
        for (int i = 0; i < kSprites; ++i) out.push_back({x(rng), y(rng)});
        return out;
    }();
    return places;
}

void DrawOurs(benchmark::State& state, scene::OBitmap& sprite) {
    BenchHost host;
    const scene::Rect source{0, 0, kSpriteWidth, kSpriteHeight};
    // Objects draw while the window composes its frame, which holds the window lock.
    std::lock_guard frame(host.Lock());
    for (auto _ : state) {
        for (const Place& p : Places()) {
            const scene::Rect destination{p.x, p.y, p.x + kSpriteWidth, p.y + kSpriteHeight};
            benchmark::DoNotOptimize(scene::Blit(host, sprite, destination, source));
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSprites);
}

void KeyedOurs(benchmark::State& state) {
    const auto sprite = MakeSprite(kKey, true);
    DrawOurs(state, *sprite);
}

void BlendOurs(benchmark::State& state) {
    const auto sprite = MakeSprite(kKey, true);
    sprite->SetBlend(128);
    DrawOurs(state, *sprite);
}

void OpaqueOurs(benchmark::State& state) {
    const auto sprite = MakeSprite(kNoKey, false);
    DrawOurs(state, *sprite);
}

// An opaque image whose key is a colour it does not contain still goes through its runs.
void OpaqueUnmatchedKeyOurs(benchmark::State& state) {
    const auto sprite = MakeSprite(kKey, false);
    DrawOurs(state, *sprite);
}

void OpaqueMemcpy(benchmark::State& state) {
    const auto sprite = MakeSprite(kNoKey, false);
    const scene::ImageView image = sprite->View();
    BenchHost host;
    const scene::BackBufferView target = host.BackBuffer();
    for (auto _ : state) {
        for (const Place& p : Places()) {
            for (int y = 0; y < kSpriteHeight; ++y) {
                uint8_t* d = target.bits + (kBufferHeight - 1 - (p.y + y)) * target.stride + p.x * 3;
                const uint8_t* s = image.bits + (kSpriteHeight - 1 - y) * image.stride;
                std::memcpy(d, s, kSpriteWidth * 3);
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSprites);
}

struct SdlSurfaces {
    SDL_Surface* sprite = nullptr;
    SDL_Surface* target = nullptr;
    ~SdlSurfaces() {
        SDL_FreeSurface(sprite);
        SDL_FreeSurface(target);
    }
};

// The disc sprite and the buffer as SDL surfaces of the same 24-bit blue-green-red layout.
void MakeSdl(SdlSurfaces& sdl, bool rle, int alpha) {
    sdl.sprite = SDL_CreateRGBSurfaceWithFormat(0, kSpriteWidth, kSpriteHeight, 24, SDL_PIXELFORMAT_BGR24);
    sdl.target = SDL_CreateRGBSurfaceWithFormat(0, kBufferWidth, kBufferHeight, 24, SDL_PIXELFORMAT_BGR24);
    auto* bits = static_cast<uint8_t*>(sdl.sprite->pixels);
    for (int y = 0; y < kSpriteHeight; ++y) {
        for (int x = 0; x < kSpriteWidth; ++x) {
            const uint32_t colour = DiscColour(x, y, true);
            for (int c = 0; c < 3; ++c) {
                bits[y * sdl.sprite->pitch + x * 3 + c] = static_cast<uint8_t>(colour >> (8 * c));
            }
        }
    }
    std::memset(sdl.target->pixels, 0x40, size_t(sdl.target->pitch) * kBufferHeight);
    SDL_SetColorKey(sdl.sprite, SDL_TRUE, SDL_MapRGB(sdl.sprite->format, 0xFF, 0x00, 0xFF));
    if (alpha < 255) SDL_SetSurfaceAlphaMod(sdl.sprite, static_cast<Uint8>(alpha));
    if (rle) SDL_SetSurfaceRLE(sdl.sprite, 1);
    // The first blit encodes the runs; it stays outside the timing.
    SDL_Rect at{0, 0, kSpriteWidth, kSpriteHeight};
    SDL_BlitSurface(sdl.sprite, nullptr, sdl.target, &at);
}

void DrawSdl(benchmark::State& state, bool rle, int alpha) {
    SdlSurfaces sdl;
    MakeSdl(sdl, rle, alpha);
    for (auto _ : state) {
        for (const Place& p : Places()) {
            SDL_Rect at{p.x, p.y, kSpriteWidth, kSpriteHeight};
            benchmark::DoNotOptimize(SDL_BlitSurface(sdl.sprite, nullptr, sdl.target, &at));
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kSprites);
}

void KeyedSdlRle(benchmark::State& state) {
    DrawSdl(state, true, 255);
}
void BlendSdl(benchmark::State& state) {
    DrawSdl(state, false, 128);
}
void BlendSdlRle(benchmark::State& state) {
    DrawSdl(state, true, 128);
}

// A whole frame of a 750 x 600 window: 150 keyed disc sprites, every one moved, so the old and
// the new place of each are repainted from the background up.
void FrameRender(benchmark::State& state) {
    driver::HeadlessDriver driver;
    platform::HeadlessPlatform* headless = &driver.Platform();
    auto* window = new engine::OWindow(
        nullptr, {0x0099CCFF, platform::kFramedPopupStyle, kBufferWidth, kBufferHeight, false});

    std::mt19937 rng(99);
    std::uniform_int_distribution<int> x(-kSpriteWidth / 2, kBufferWidth - kSpriteWidth / 2);
    std::uniform_int_distribution<int> y(-kSpriteHeight / 2, kBufferHeight - kSpriteHeight / 2);
    std::vector<scene::OBitmap*> sprites;
    for (int i = 0; i < kFrameSprites; ++i) {
        scene::OBitmap* sprite = MakeSprite(kKey, true).release();
        sprite->SetPosition(float(x(rng)), float(y(rng)), float(i % 7));
        window->AddObject(sprite);
        sprite->SetVisible(false);
        sprite->SetVisible(true);
        sprites.push_back(sprite);
    }
    window->Render();

    std::vector<std::vector<Place>> paths(2);
    for (auto& path : paths) {
        for (int i = 0; i < kFrameSprites; ++i) path.push_back({x(rng), y(rng)});
    }
    size_t frame = 0;
    platform::Event event;
    for (auto _ : state) {
        const std::vector<Place>& path = paths[frame++ % paths.size()];
        for (int i = 0; i < kFrameSprites; ++i) {
            sprites[size_t(i)]->SetPosition(float(path[size_t(i)].x), float(path[size_t(i)].y), float(i % 7));
        }
        window->Render();
        // The main loop would present these areas; here they are only taken off the queue.
        while (headless->PollEvent(event)) {
        }
    }
    engine::OWindow::Destroy(window);
}

BENCHMARK(KeyedOurs);
BENCHMARK(KeyedSdlRle);
BENCHMARK(BlendOurs);
BENCHMARK(BlendSdl);
BENCHMARK(BlendSdlRle);
BENCHMARK(OpaqueOurs);
BENCHMARK(OpaqueUnmatchedKeyOurs);
BENCHMARK(OpaqueMemcpy);
BENCHMARK(FrameRender)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's time per iteration for the ratios printed at the end; with
// repetitions, the median of them.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (median || (run.run_type == Run::RT_Iteration && !medians.count(name))) {
                times[name] = run.GetAdjustedRealTime();
                units[name] = run.time_unit;
                if (median) medians.insert(name);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::set<std::string> medians;
    std::map<std::string, double> times;
    std::map<std::string, benchmark::TimeUnit> units;
};

void PrintRatio(const RatioReporter& r, const char* label, const char* ours, const char* peer, double goal) {
    const auto a = r.times.find(ours), b = r.times.find(peer);
    if (a == r.times.end() || b == r.times.end()) return;
    const double ratio = b->second / a->second;
    std::printf("%-34s %5.2fx %-24s (goal %.2fx) %s\n", label, ratio, peer, goal,
                ratio >= goal ? "ok" : "BELOW GOAL");
}

void PrintFrame(const RatioReporter& r, const char* name, double goalMilliseconds) {
    const auto a = r.times.find(name);
    if (a == r.times.end()) return;
    const double milliseconds = a->second / benchmark::GetTimeUnitMultiplier(r.units.at(name)) * 1000.0;
    std::printf("%-34s %5.3f ms per frame           (goal < %.2f ms) %s\n", "full frame, 150 sprites",
                milliseconds, goalMilliseconds, milliseconds < goalMilliseconds ? "ok" : "BELOW GOAL");
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nspeed ratios (ours / peer, same run, 128 disc sprites of 34 x 33):\n");
    PrintRatio(reporter, "keyed blit vs", "KeyedOurs", "KeyedSdlRle", 1.0);
    PrintRatio(reporter, "blend 128 vs", "BlendOurs", "BlendSdl", 3.0);
    PrintRatio(reporter, "blend 128 vs", "BlendOurs", "BlendSdlRle", 3.0);
    PrintRatio(reporter, "opaque blit vs", "OpaqueOurs", "OpaqueMemcpy", 0.9);
    // For information: an opaque image drawn through its runs because its key is in range.
    PrintRatio(reporter, "opaque, unmatched key, vs", "OpaqueUnmatchedKeyOurs", "OpaqueMemcpy", 0.0);
    PrintFrame(reporter, "FrameRender", 0.5);
    benchmark::Shutdown();
    return 0;
}
