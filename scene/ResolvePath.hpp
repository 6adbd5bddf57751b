#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scene {

// Resolves a data file name of the program ("CLP\def_btn.clp", "\table.dat") against the
// executable's folder, with backslashes turned into '/'. Names shorter than 2 characters
// give the empty text; names that are already complete (a network path with two
// backslashes, a drive path with ":\", or an absolute '/' path) are returned unchanged.
std::string ResolvePath(std::string_view name);

// The same rule against a given folder, which ends with '/'. Results longer than the
// system's path limit give the empty text.
std::string ResolvePathIn(std::string_view folder, std::string_view name);

// The folder of the running executable with a trailing '/', or the override when one is set.
std::string ExecutableFolder();

// Replaces the executable's folder for every later resolution (tests); nullopt restores it.
void SetExecutableFolderOverride(std::optional<std::string> folder);

// Resolves a writable file ("state.dat", "table.dat"): beside the executable when that folder
// is writable, otherwise in the per-user data folder, which is created on demand.
std::string ResolveWritablePath(std::string_view name);

// The per-user data folder with a trailing '/': $XDG_DATA_HOME/hoopstack/ when that variable
// holds an absolute path, else <home>/.local/share/hoopstack/. Empty when neither is known.
std::string DataHomeFolder(const char* xdgDataHome, const char* home);

// The writable-file rule with its inputs spelled out: the executable folder when
// `executableFolderWritable`, else `dataHome`, created (with its parents) when missing.
std::string ResolveWritablePathIn(std::string_view executableFolder, bool executableFolderWritable,
                                  std::string_view dataHome, std::string_view name);

} // namespace scene
