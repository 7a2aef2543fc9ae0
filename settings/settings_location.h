// Where the placement file lives. The portable build keeps it beside the executable; the
// installed build, whose executable lies in a folder its users cannot write, keeps the same
// file in the user's configuration folder. Which one is fixed when the program is built
// (the RUNAMIKA_PER_USER_SETTINGS build option), never guessed at run time.
#pragma once

#include <string>
#include <string_view>

enum class SettingsLocation { BesideExecutable, PerUser };

#if defined(RUNAMIKA_PER_USER_SETTINGS) && RUNAMIKA_PER_USER_SETTINGS
inline constexpr SettingsLocation kSettingsLocation = SettingsLocation::PerUser;
#else
inline constexpr SettingsLocation kSettingsLocation = SettingsLocation::BesideExecutable;
#endif

// The executable's path with its extension replaced by ".ini" (appended when the file name
// has no extension): the portable build's placement file.
std::string PlacementFileName(std::string_view executablePath);

// "<config>/runamika/runamika.ini", where <config> is xdgConfigHome when that is an absolute
// path, else "<home>/.config" when home is an absolute path. Empty when neither is (unset,
// empty or relative values are ignored, as the XDG base directory rules ask).
std::string PerUserPlacementFileName(const char* xdgConfigHome, const char* home);

// Creates the folders above fileName that are missing, each readable by its owner only.
// False when a folder cannot be made; the caller then simply lets the write fail and report.
bool EnsureParentFolder(const std::string& fileName);

// The placement file for a given location, from the executable's path and the two
// environment values. The per-user location falls back to the file beside the executable when
// no configuration folder can be named. No side effects.
std::string PlacementFileFor(SettingsLocation location, std::string_view executablePath,
                             const char* xdgConfigHome, const char* home);

// The placement file of this build, for the running executable's path, decided once at
// start-up: read it with ReadPlacement, and before each WritePlacement call
// PreparePlacementFolder.
std::string PlacementFileFor(std::string_view executablePath);

// Readies the folder that holds this build's placement file for a write. The per-user build
// makes it when it is missing (on the first close, or again should it have gone while the
// program ran); the portable build's folder is the executable's, which is never made. Best
// effort: when the folder cannot be made, the write that follows fails and reports.
void PreparePlacementFolder(const std::string& fileName);
