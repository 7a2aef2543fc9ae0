#include "settings/settings_location.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

bool IsAbsoluteFolder(const char* path) {
    return path != nullptr && path[0] == '/';
}

// Without its trailing slashes, but "/" stays "/" (as the empty text, which the caller joins
// with "/").
std::string WithoutTrailingSlashes(std::string path) {
    while (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

// HOME, or the account's home folder when HOME is not set. Read only by the per-user build.
[[maybe_unused]] const char* HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
#ifndef _WIN32
    if (const passwd* account = getpwuid(getuid())) return account->pw_dir;
#endif
    return nullptr;
}

} // namespace

std::string PlacementFileName(std::string_view executablePath) {
    const auto slash = executablePath.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    // Dots that lead a file name (".hidden") belong to the name; they start no extension.
    const auto stemStart = executablePath.find_first_not_of('.', nameStart);
    const auto dot = executablePath.rfind('.');
    std::string name(executablePath);
    if (stemStart != std::string_view::npos && dot != std::string_view::npos && dot > stemStart) {
        name.resize(dot);
    }
    return name + ".ini";
}

std::string PerUserPlacementFileName(const char* xdgConfigHome, const char* home) {
    std::string config;
    if (IsAbsoluteFolder(xdgConfigHome)) {
        config = WithoutTrailingSlashes(xdgConfigHome);
    } else if (IsAbsoluteFolder(home)) {
        config = WithoutTrailingSlashes(home) + "/.config";
    } else {
        return {};
    }
    return config + "/runamika/runamika.ini";
}

bool EnsureParentFolder(const std::string& fileName) {
    namespace fs = std::filesystem;
    const fs::path parent = fs::path(fileName).parent_path();
    if (parent.empty()) return true;
    std::error_code error;
    if (fs::is_directory(parent, error)) return true;
    // Made one level at a time, each with the owner-only mode from the start: no folder made
    // here is ever open to others, not even for a moment.
    fs::path partial;
    for (const fs::path& part : parent) {
        partial /= part;
        if (fs::is_directory(partial, error)) continue;
        // A folder that another copy made meanwhile is as good as one made here.
        if (mkdir(partial.c_str(), S_IRWXU) != 0) {
            if (errno == EEXIST && fs::is_directory(partial, error)) continue;
            return false;
        }
    }
    return fs::is_directory(parent, error);
}

std::string PlacementFileFor(SettingsLocation location, std::string_view executablePath,
                             const char* xdgConfigHome, const char* home) {
    if (location == SettingsLocation::PerUser) {
        std::string perUser = PerUserPlacementFileName(xdgConfigHome, home);
        if (!perUser.empty()) return perUser;
    }
    return PlacementFileName(executablePath);
}

std::string PlacementFileFor(std::string_view executablePath) {
    if constexpr (kSettingsLocation == SettingsLocation::BesideExecutable) {
        return PlacementFileName(executablePath);
    } else {
        return PlacementFileFor(kSettingsLocation, executablePath, std::getenv("XDG_CONFIG_HOME"),
                                HomeFolder());
    }
}

void PreparePlacementFolder(const std::string& fileName) {
    if constexpr (kSettingsLocation == SettingsLocation::PerUser) EnsureParentFolder(fileName);
}
