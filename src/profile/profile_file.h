#pragma once

// Reading a kit profile (board/profile.h) from TOML. A bad profile is refused
// whole with the line and column of its first problem: TOML syntax, an
// unknown key, a value of the wrong type or out of range, two devices of one
// name, two routines at one address, a vector that jumps below the user's
// memory. kit85-run(1) describes every key.
//
// The shipped profiles (profiles/*.toml in the source, installed under
// share/kit85/profiles) are found by name: "lab", or a file's path.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/profile.h"

namespace kit85::profile {

struct ProfileError {
    std::string file;
    int line = 0;  // 0: the problem is the file's, not a place in it
    int column = 0;
    std::string problem;
    // "FILE:LINE:COLUMN: PROBLEM"
    std::string message() const;
};

struct ProfileRead {
    std::optional<board::Profile> profile;
    std::optional<ProfileError> error;
};

// The text of a profile; `file` names it in messages.
ProfileRead parseProfile(std::string_view text, const std::string& file);
// A shipped profile's name or a file's path.
ProfileRead readProfile(const std::string& nameOrPath);
// The names of the shipped profiles found, sorted.
std::vector<std::string> shippedProfiles();
// Where the shipped profiles are looked for, in order: KIT85_PROFILES, the
// source tree's profiles/ (for a build not installed), share/kit85/profiles
// beside the program's prefix.
std::vector<std::filesystem::path> profileFolders();

}  // namespace kit85::profile
