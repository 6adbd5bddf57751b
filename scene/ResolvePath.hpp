#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scene {

// Resolves a read-only data file name of the program ("CLP\def_btn.clp") against the data
// folder, with backslashes turned into '/'; a file present in the extra data folder wins.
// Names shorter than 2 characters give the empty text; names that are already complete (a
// network path with two backslashes, a drive path with ":\", or an absolute '/' path) are
// returned unchanged.
std::string ResolvePath(std::string_view name);

// The folder of the program's own read-only data with a trailing '/': the executable's folder
// when a CLP folder lies beside it (the build tree, a copy unpacked anywhere), else
// <executable's folder>/../share/hoopstack/ when that exists (an installed copy under any
// prefix), else the data folder chosen at build time.
std::string DataFolder();

// The languages whose pictures go before the English ones, most wanted first ("de_DE", "de"):
// "CLP\btNew.clp" is looked for as "CLP\de_DE\btNew.clp", then "CLP\de\btNew.clp", in the
// extra data folder and then in the data folder, before the English picture of each.
void SetArtLanguages(std::vector<std::string> languages);
// The name with the language's folder after its first folder ("CLP\de\btNew.clp"); empty for a
// name without a folder or an empty language.
std::string LanguageVariant(std::string_view name, std::string_view language);

// A folder whose files are used before the program's own, so that a skin maker can try a
// few clips of their own; nullopt or an empty text removes it.
void SetExtraDataFolder(std::optional<std::string> folder);

// The data-folder rule with its inputs spelled out: the folder that holds the data when
// `clpBesideExecutable` or `sharedFolderExists` (in that order), else `builtInFolder`.
std::string ChooseDataFolder(std::string_view executableFolder, bool clpBesideExecutable,
                             bool sharedFolderExists, std::string_view builtInFolder);

// The same rule against a given folder, which ends with '/'. Results longer than the
// system's path limit give the empty text.
std::string ResolvePathIn(std::string_view folder, std::string_view name);

// The folder of the running executable with a trailing '/', or the override when one is set.
std::string ExecutableFolder();

// Replaces the executable's folder for every later resolution (tests); nullopt restores it.
void SetExecutableFolderOverride(std::optional<std::string> folder);

// Resolves a writable file ("state.dat", "table.dat"): beside the executable when the data
// lies there too and that folder is writable (a build tree or an unpacked copy), otherwise in
// the per-user data folder, which is created on demand. An installed copy always saves there.
std::string ResolveWritablePath(std::string_view name);

// The per-user data folder with a trailing '/': $XDG_DATA_HOME/hoopstack/ when that variable
// holds an absolute path, else <home>/.local/share/hoopstack/. Empty when neither is known.
std::string DataHomeFolder(const char* xdgDataHome, const char* home);

// The writable-file rule with its inputs spelled out: the executable folder when
// `executableFolderWritable`, else `dataHome`, created (with its parents) when missing.
std::string ResolveWritablePathIn(std::string_view executableFolder, bool executableFolderWritable,
                                  std::string_view dataHome, std::string_view name);

} // namespace scene
