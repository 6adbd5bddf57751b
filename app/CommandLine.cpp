#include "app/CommandLine.hpp"

#include <charconv>

#include "platform/PixelScale.hpp"

#ifndef HOOPSTACK_VERSION
#error "HOOPSTACK_VERSION must name the program's version"
#endif

namespace app {
namespace {

// The whole text as a scale from 1 to the largest, or nullopt.
std::optional<int> parseScale(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end || value < 1 || value > platform::kMaxScale) return std::nullopt;
    return value;
}

} // namespace

std::string CommandLine::Usage() {
    return "usage: hoopstack [--scale N] [--fullscreen | --windowed] [--data-dir DIR] [--language CODE]\n"
           "       hoopstack [--scale N] [--fullscreen | --windowed] [--data-dir DIR] [--language CODE]\n"
           "                 --replay FILE\n"
           "       hoopstack --help | --version\n"
           "\n"
           "Hoopstack: throw basketballs onto a walled honeycomb court and clear groups of three.\n"
           "\n"
           "  --scale N       show every window N times as large, N from 1 to 4; by default the\n"
           "                  largest scale at which the game window fits the screen\n"
           "  --fullscreen    show the game on the whole screen, at the largest scale at which\n"
           "                  it fits, for this run; F11 or Alt+Enter switches in the game\n"
           "  --windowed      show the game in its window for this run; without either, the\n"
           "                  game starts as F11 or Alt+Enter last left it\n"
           "  --data-dir DIR  use the files found in DIR (CLP/, SKINS/, WAV/ as in the game's\n"
           "                  own data) before the game's own, to try clips of your own\n"
           "  --language CODE show the game in the language CODE (de, fr, pt_BR, ...) instead of\n"
           "                  the desktop's (LANGUAGE, LC_ALL, LC_MESSAGES, LANG); en or an\n"
           "                  unknown one is English\n"
           "  --replay FILE   watch the game recorded in FILE (a .hoopstack-replay file) at\n"
           "                  once, without the intro; Escape or the close button ends it.\n"
           "                  The saved game and the Top 10 are left as they are\n"
           "  --help          print this help and end\n"
           "  --version       print the version and end\n"
           "\n"
           "The game plays with the mouse, with keys alone or with a gamepad: F1 shows the rules,\n"
           "and F1 there (or a gamepad's Back) every key and button.\n"
           "\n"
           "Exit codes: 0 a normal end, 1 the game's pictures or the replay could not be read,\n"
           "2 no window (another copy runs, or there is no display) or a command line it cannot\n"
           "follow.\n";
}

void CommandLine::refuse(const std::string& fault, bool withUsage) {
    m_exitCode = kExitUsage;
    m_errors = "hoopstack: " + fault + "\n";
    if (withUsage) m_errors += Usage();
}

CommandLine CommandLine::Parse(const std::vector<std::string>& arguments,
                               const std::function<bool(const std::string&)>& isFolder) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size() && !line.m_exitCode; ++i) {
        const std::string& argument = arguments[i];
        if (argument.empty() || argument[0] != '-') {
            line.refuse("unexpected argument '" + argument + "'", true);
            break;
        }
        if (argument.size() < 3 || argument[1] != '-') {
            line.refuse("unknown option '" + argument + "'", true);
            break;
        }
        // "--name=value" or "--name value".
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::optional<std::string> value;
        if (equals != std::string::npos) value = argument.substr(equals + 1);
        const bool takesValue =
            name == "--scale" || name == "--data-dir" || name == "--replay" || name == "--language";
        if (name == "--fullscreen" || name == "--windowed") {
            const bool full = name == "--fullscreen";
            if (value) {
                line.refuse(name + " takes no value", true);
                break;
            }
            if (line.m_fullScreen && *line.m_fullScreen != full) {
                line.refuse("--fullscreen and --windowed exclude each other", true);
                break;
            }
            line.m_fullScreen = full;
            continue;
        }
        if (name == "--help" || name == "--version") {
            if (value) {
                line.refuse(name + " takes no value", true);
                break;
            }
            line.m_exitCode = 0;
            line.m_output = name == "--help" ? Usage() : std::string("hoopstack ") + HOOPSTACK_VERSION + "\n";
            break;
        }
        if (!takesValue) {
            line.refuse("unknown option '" + name + "'", true);
            break;
        }
        if (!value) {
            if (i + 1 == arguments.size()) {
                line.refuse(name + " needs a value", true);
                break;
            }
            value = arguments[++i];
        }
        if (name == "--scale") {
            line.m_scale = parseScale(*value);
            if (!line.m_scale) line.refuse("--scale takes a whole number from 1 to 4, not '" + *value + "'", true);
        } else if (name == "--language") {
            // A code names a catalogue folder: letters, digits and '_' only, never a path.
            const bool plain =
                !value->empty() && value->size() <= 16 &&
                value->find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") ==
                    std::string::npos;
            if (plain)
                line.m_language = *value;
            else
                line.refuse("--language takes a language code such as de or pt_BR, not '" + *value + "'",
                            true);
        } else if (name == "--replay") {
            if (value->empty())
                line.m_replayFile.reset();
            else
                line.m_replayFile = *value;
        } else if (!isFolder(*value)) {
            line.refuse("--data-dir: '" + *value + "' is no folder", false);
        } else {
            line.m_dataFolder = *value;
        }
    }
    return line;
}

} // namespace app
