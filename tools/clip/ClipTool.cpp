#include "ClipTool.hpp"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <system_error>

#include "ClipRgba.hpp"
#include "PngImage.hpp"
#include "scene/ByteReader.hpp"
#include "scene/ClipFormat.hpp"
#include "scene/OClip.hpp"
#include "scene/TClipData.hpp"
#include "store/FileIO.hpp"

namespace tools {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage = R"(usage: hoopstack-clip COMMAND ...
Reads, unpacks and makes Hoopstack clip files (the pictures in CLP/ and SKINS/).

  info FILE        show the header, images and frames of a clip file
  export FILE DIR  write every frame as DIR/frameNNN.png, described in DIR/clip.txt
  build DIR FILE   make a clip file from DIR/clip.txt and the pictures it names
  show FILE        play the clip in a window (drag it anywhere; Escape closes it)
  --help           show this text

DIR/clip.txt holds one "rate R" line (frames per second) and one line per frame, in order:
  frame file=NAME.png x=X y=Y z=Z key=0xRRGGBB rows=bottom-up|top-down commands=C,C,...
Only file= is needed (names without spaces); x, y, z default to 0, key to 0xFF00FF,
rows to bottom-up. Pixels of the key colour are never drawn; transparent pixels
(alpha below 128) become the key colour. key=none keys out no colour at all.
Frame commands: 1 stop, 2 remove the clip, 3 N play from frame N, 4 N stop at frame N.
Lines starting with # are comments.
)";

constexpr uint32_t kDefaultKey = 0xFF00FF;

// One frame line of the folder description.
struct FrameLine {
    std::string file;
    double x = 0;
    double y = 0;
    double z = 0;
    uint32_t key = kDefaultKey;
    bool topDown = false;
    std::vector<int32_t> commands;
};

struct Description {
    float rate = 0;
    std::vector<FrameLine> frames;
};

template <typename T>
std::string Number(T value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

template <typename T>
bool ParseNumber(std::string_view text, T& value, int base = 10) {
    if (text.empty()) return false;
    std::from_chars_result result;
    if constexpr (std::is_floating_point_v<T>) {
        result = std::from_chars(text.data(), text.data() + text.size(), value);
    } else {
        result = std::from_chars(text.data(), text.data() + text.size(), value, base);
    }
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

std::string Hex(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, value > 0xFFFFFF ? "0x%08X" : "0x%06X", value);
    return buffer;
}

bool ParseKey(std::string_view text, uint32_t& key) {
    if (text == "none") {
        key = kNoColourKey;
        return true;
    }
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return ParseNumber(text.substr(2), key, 16);
    }
    return ParseNumber(text, key);
}

std::string DescribeCommands(const std::vector<int32_t>& commands) {
    if (commands.empty()) return "none";
    std::string values;
    std::string meaning;
    for (size_t i = 0; i < commands.size(); ++i) {
        values += (i ? " " : "") + std::to_string(commands[i]);
        std::string part;
        const bool hasOperand = i + 1 < commands.size();
        switch (commands[i]) {
        case scene::OClip::kCommandStop:
            part = "stop";
            break;
        case scene::OClip::kCommandRemove:
            part = "remove the clip";
            break;
        case scene::OClip::kCommandPlayFrom:
        case scene::OClip::kCommandStopAt:
            if (hasOperand) {
                part =
                    (commands[i] == scene::OClip::kCommandPlayFrom ? "play from frame " : "stop at frame ") +
                    std::to_string(commands[i + 1]);
                values += " " + std::to_string(commands[++i]);
            } else {
                part = "ignored (no frame given)";
            }
            break;
        default:
            part = "ignored";
            break;
        }
        meaning += (meaning.empty() ? "" : ", ") + part;
    }
    return values + " (" + meaning + ")";
}

std::optional<std::vector<uint8_t>> ReadFile(const std::string& path, std::string& error) {
    const store::ReadResult file =
        store::readFileBounded(path, static_cast<size_t>(scene::OClip::kMaxFileSize));
    switch (file.status) {
    case store::ReadStatus::Ok:
        return std::vector<uint8_t>(file.bytes.begin(), file.bytes.end());
    case store::ReadStatus::CannotOpen:
        error = "cannot open " + path;
        break;
    case store::ReadStatus::TooLarge:
        error = path + " is too large for a clip file";
        break;
    case store::ReadStatus::ReadFailed:
        error = "cannot read " + path;
        break;
    }
    return std::nullopt;
}

// Explains why the image record of an entry cannot be loaded.
std::string ImageFault(const std::vector<uint8_t>& bytes, const scene::TClipEntry& entry, size_t number) {
    const std::string which = "image " + std::to_string(number);
    if (entry.offset + uint64_t{16} <= bytes.size()) {
        const uint8_t* bits = &bytes[entry.offset + 12];
        if (bits[0] != 8 || bits[1] != 8 || bits[2] != 8) {
            return which + " has " + std::to_string(bits[0]) + "+" + std::to_string(bits[1]) + "+" +
                   std::to_string(bits[2]) + " bits per pixel; only 24-bit (8+8+8) images can be drawn";
        }
    }
    return which + " has a size that does not fit its record";
}

// Loads and checks a clip file; on failure `error` holds the one line to print.
std::optional<scene::TClipData> LoadClipFile(const std::string& path, std::string& error,
                                             std::vector<uint8_t>* keepBytes = nullptr,
                                             std::optional<scene::TClipIndex>* keepIndex = nullptr) {
    std::optional<std::vector<uint8_t>> bytes = ReadFile(path, error);
    if (!bytes) return std::nullopt;
    scene::ByteReader stream(*bytes);
    std::optional<scene::TClipIndex> index = scene::ReadClipIndex(stream);
    if (!index) {
        error =
            path + " is not a valid clip file: bad magic, or a header or index that does not fit the file";
        return std::nullopt;
    }
    size_t number = 0;
    for (const scene::TClipEntry& entry : index->entries) {
        if (entry.kind != scene::kClipImageKind) continue;
        if (!stream.Seek(entry.offset) || !scene::ReadImageRecordHeader(stream, entry.size)) {
            error = path + " is not a valid clip file: " + ImageFault(*bytes, entry, number);
            return std::nullopt;
        }
        ++number;
    }
    std::optional<scene::TClipData> clip = scene::ReadClip(*bytes);
    if (!clip) {
        error = path + " is not a valid clip file";
        return std::nullopt;
    }
    if (keepBytes) *keepBytes = std::move(*bytes);
    if (keepIndex) *keepIndex = std::move(index);
    return clip;
}

int Info(const std::string& path, std::ostream& out, std::ostream& err) {
    std::string error;
    std::vector<uint8_t> bytes;
    std::optional<scene::TClipIndex> index;
    const std::optional<scene::TClipData> clip = LoadClipFile(path, error, &bytes, &index);
    if (!clip) {
        err << "hoopstack-clip: " << error << "\n";
        return 1;
    }
    out << path << ": clip file of " << bytes.size() << " bytes\n";
    out << "header: index " << index->indexSize << " bytes, " << index->entries.size() << " image entries ("
        << index->imageCount << " images), " << index->placements.size() << " placements\n";
    out << "frame rate: " << Number(index->frameRate) << " (" << index->framesPerSecond
        << " frames per second)\n";
    size_t number = 0;
    for (size_t i = 0; i < index->entries.size(); ++i) {
        const scene::TClipEntry& entry = index->entries[i];
        if (entry.kind != scene::kClipImageKind) {
            out << "entry " << i << ": kind " << entry.kind << ", not an image, skipped\n";
            continue;
        }
        const scene::TClipImage& image = clip->images[number];
        out << "image " << number << ": " << image.width << "x" << std::abs(image.height) << ", rows "
            << (image.height < 0 ? "top-down" : "bottom-up") << ", 24 bits (8+8+8), colour key "
            << Hex(image.colourKey) << ", record at " << entry.offset << ", " << entry.size << " bytes\n";
        ++number;
    }
    for (size_t i = 0; i < clip->frames.size(); ++i) {
        const scene::TClipFrame& frame = clip->frames[i];
        out << "frame " << i << ": position (" << Number(frame.x) << ", " << Number(frame.y) << ", "
            << Number(frame.z) << "), image " << frame.image
            << ", commands: " << DescribeCommands(frame.commands) << "\n";
    }
    return 0;
}

std::string FrameFileName(size_t frame) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "frame%03zu.png", frame);
    return buffer;
}

int Export(const std::string& path, const std::string& folder, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<scene::TClipData> clip = LoadClipFile(path, error);
    if (!clip) {
        err << "hoopstack-clip: " << error << "\n";
        return 1;
    }
    std::error_code code;
    fs::create_directories(folder, code);
    if (code) {
        err << "hoopstack-clip: cannot create " << folder << ": " << code.message() << "\n";
        return 1;
    }
    std::ostringstream text;
    text << "# Hoopstack clip description, exported from " << fs::path(path).filename().string() << "\nrate "
         << Number(clip->frameRate) << "\n";
    for (size_t i = 0; i < clip->frames.size(); ++i) {
        const scene::TClipFrame& frame = clip->frames[i];
        const scene::TClipImage& image = clip->images[static_cast<size_t>(frame.image)];
        const std::string name = FrameFileName(i);
        if (image.width == 0 || image.height == 0) {
            err << "hoopstack-clip: frame " << i << " shows an empty image, which a PNG cannot hold\n";
            return 1;
        }
        if (!WritePng((fs::path(folder) / name).string(), ClipImageToRgba(image), error)) {
            err << "hoopstack-clip: cannot write " << name << ": " << error << "\n";
            return 1;
        }
        text << "frame file=" << name << " x=" << Number(frame.x) << " y=" << Number(frame.y)
             << " z=" << Number(frame.z)
             << " key=" << (image.colourKey == kNoColourKey ? "none" : Hex(image.colourKey))
             << " rows=" << (image.height < 0 ? "top-down" : "bottom-up");
        if (!frame.commands.empty()) {
            text << " commands=";
            for (size_t c = 0; c < frame.commands.size(); ++c) {
                text << (c ? "," : "") << frame.commands[c];
            }
        }
        text << "\n";
    }
    std::ofstream description(fs::path(folder) / kDescriptionFile, std::ios::trunc);
    description << text.str();
    description.flush();
    if (!description) {
        err << "hoopstack-clip: cannot write " << kDescriptionFile << " in " << folder << "\n";
        return 1;
    }
    out << "exported " << clip->frames.size() << " frames of " << path << " to " << folder << "\n";
    return 0;
}

bool ParseFrameWord(std::string_view word, FrameLine& frame, std::string& error) {
    const size_t equals = word.find('=');
    if (equals == std::string_view::npos) {
        error = "expected NAME=VALUE, found '" + std::string(word) + "'";
        return false;
    }
    const std::string_view name = word.substr(0, equals);
    const std::string_view value = word.substr(equals + 1);
    bool ok = true;
    if (name == "file") {
        frame.file = value;
        ok = !value.empty();
    } else if (name == "x") {
        ok = ParseNumber(value, frame.x);
    } else if (name == "y") {
        ok = ParseNumber(value, frame.y);
    } else if (name == "z") {
        ok = ParseNumber(value, frame.z);
    } else if (name == "key") {
        ok = ParseKey(value, frame.key);
    } else if (name == "rows") {
        ok = value == "bottom-up" || value == "top-down";
        frame.topDown = value == "top-down";
    } else if (name == "commands") {
        frame.commands.clear();
        size_t start = 0;
        while (ok && start <= value.size() && !value.empty()) {
            const size_t comma = std::min(value.find(',', start), value.size());
            int32_t command = 0;
            ok = ParseNumber(value.substr(start, comma - start), command);
            frame.commands.push_back(command);
            start = comma + 1;
        }
    } else {
        error = "unknown setting '" + std::string(name) + "'";
        return false;
    }
    if (!ok) error = "bad value for " + std::string(name) + ": '" + std::string(value) + "'";
    return ok;
}

std::optional<Description> ParseDescription(std::istream& in, std::string& error) {
    Description description;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#') continue;
        const std::string where = std::string(kDescriptionFile) + " line " + std::to_string(number) + ": ";
        if (first == "rate") {
            std::string value, extra;
            if (!(words >> value) || !ParseNumber(value, description.rate) || (words >> extra)) {
                error = where + "expected 'rate' and one number";
                return std::nullopt;
            }
        } else if (first == "frame") {
            FrameLine frame;
            for (std::string word; words >> word;) {
                if (!ParseFrameWord(word, frame, error)) {
                    error = where + error;
                    return std::nullopt;
                }
            }
            if (frame.file.empty()) {
                error = where + "a frame needs file=NAME.png";
                return std::nullopt;
            }
            description.frames.push_back(std::move(frame));
        } else {
            error = where + "expected 'rate' or 'frame', found '" + first + "'";
            return std::nullopt;
        }
    }
    return description;
}

int Build(const std::string& folder, const std::string& path, std::ostream& out, std::ostream& err) {
    const fs::path descriptionPath = fs::path(folder) / kDescriptionFile;
    std::ifstream in(descriptionPath);
    if (!in) {
        err << "hoopstack-clip: cannot open " << descriptionPath.string() << "\n";
        return 1;
    }
    std::string error;
    const std::optional<Description> description = ParseDescription(in, error);
    if (!description) {
        err << "hoopstack-clip: " << error << "\n";
        return 1;
    }
    scene::TClipData clip;
    clip.frameRate = description->rate;
    for (const FrameLine& line : description->frames) {
        const std::optional<RgbaImage> rgba = ReadPng((fs::path(folder) / line.file).string(), error);
        if (!rgba) {
            err << "hoopstack-clip: cannot read " << line.file << ": " << error << "\n";
            return 1;
        }
        std::optional<scene::TClipImage> image = RgbaToClipImage(*rgba, line.key, line.topDown);
        if (!image) {
            err << "hoopstack-clip: " << line.file
                << " has transparent pixels, but key=none keys out no colour\n";
            return 1;
        }
        // Frames showing the same picture share one image, as in the game's own clips.
        size_t number = 0;
        while (number < clip.images.size() && !(clip.images[number] == *image)) ++number;
        if (number == clip.images.size()) clip.images.push_back(std::move(*image));
        clip.frames.push_back({line.x, line.y, line.z, static_cast<int16_t>(number), line.commands});
    }
    const std::string fault = scene::ValidateClipData(clip);
    if (!fault.empty()) {
        err << "hoopstack-clip: cannot build " << path << ": " << fault << "\n";
        return 1;
    }
    if (!scene::WriteClipFile(clip, path)) {
        err << "hoopstack-clip: cannot write " << path << "\n";
        return 1;
    }
    out << "built " << path << ": " << clip.frames.size() << " frames, " << clip.images.size() << " images\n";
    return 0;
}

} // namespace

bool AsksForHelp(const std::vector<std::string>& args) {
    const auto isHelp = [](const std::string& arg) { return arg == "--help" || arg == "-h"; };
    if (args.size() == 1) return isHelp(args[0]);
    if (args.size() != 2 || !isHelp(args[1])) return false;
    for (const char* command : {"info", "export", "build", "show"})
        if (args[0] == command) return true;
    return false;
}

int RunClipTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (AsksForHelp(args)) {
        out << kUsage;
        return 0;
    }
    if (args.size() == 2 && args[0] == "info") return Info(args[1], out, err);
    if (args.size() == 3 && args[0] == "export") return Export(args[1], args[2], out, err);
    if (args.size() == 3 && args[0] == "build") return Build(args[1], args[2], out, err);
    if (args.empty()) {
        err << "hoopstack-clip: no command given; see hoopstack-clip --help\n";
    } else {
        err << "hoopstack-clip: wrong use of '" << args[0] << "'; see hoopstack-clip --help\n";
    }
    return 2;
}

} // namespace tools
