#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace app {

// The program's command line, read before any window opens: the scale, the full screen or
// the window, the extra data folder and the replay to run with, or an end at once (help, version, a fault)
// with what to print.
class CommandLine {
public:
    // Exit code of a command line the program cannot follow.
    static constexpr int kExitUsage = 2;

    // Reads `arguments` (without the program's name) in order; the first fault ends it.
    // `isFolder` tells whether a path names an existing folder.
    static CommandLine Parse(const std::vector<std::string>& arguments,
                             const std::function<bool(const std::string&)>& isFolder);

    // The usage text, several lines ending with a newline.
    static std::string Usage();

    // Set when the program ends at once with this code, after it has printed Output() to
    // standard output and Errors() to standard error.
    std::optional<int> ExitCode() const { return m_exitCode; }
    const std::string& Output() const { return m_output; }
    const std::string& Errors() const { return m_errors; }

    // The scale asked for (1 to 4); nullopt for the automatic one.
    std::optional<int> Scale() const { return m_scale; }
    // True for --fullscreen, false for --windowed; nullopt for the kept choice.
    std::optional<bool> FullScreen() const { return m_fullScreen; }
    // The folder whose files go before the program's own data, as given.
    const std::optional<std::string>& DataFolder() const { return m_dataFolder; }
    // The replay file to watch instead of playing, as given; it is read later, where a
    // fault can be shown in a message box. An empty name is none: a desktop launcher that
    // opens the program without a file leaves `--replay=` of its `--replay=%f`.
    const std::optional<std::string>& ReplayFile() const { return m_replayFile; }
    // The language asked for with --language, or nullopt for the desktop's.
    const std::optional<std::string>& Language() const { return m_language; }

private:
    // Ends with code 2: the one-line fault, and the usage when `withUsage`.
    void refuse(const std::string& fault, bool withUsage);

    std::optional<int> m_exitCode;
    std::string m_output;
    std::string m_errors;
    std::optional<int> m_scale;
    std::optional<bool> m_fullScreen;
    std::optional<std::string> m_dataFolder;
    std::optional<std::string> m_replayFile;
    std::optional<std::string> m_language;
};

} // namespace app
