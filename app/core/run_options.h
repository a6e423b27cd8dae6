#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/profile_file.h"
#include "app/core/saved_conditions.h"
#include "watch/watch_settings.h"

namespace vorn {

// Which listings a run writes, [Options] Mode of db/vrn.ini: all, new-only or changes-only.
const char* WriteModeName(WriteMode mode);
std::optional<WriteMode> WriteModeFromName(std::string_view name);

struct ModeRead {
    WriteMode mode = WriteMode::All; // also when the key is missing or empty
    std::string refusal;             // names the key and the value; empty when sound
};
ModeRead ReadWriteMode(const ProfileFile& file, std::string_view section = "Options");
bool WriteWriteMode(ProfileFile& file, WriteMode mode, std::string_view section = "Options");

// A search kept under a name the user chose, section [Saved:NAME]: the keys of [Config], of
// [Filter], and Mode. Names are CP932, matched as profile sections are (ASCII without case).
struct SavedSearch {
    std::string name;
    SavedConditions conditions;
    FilterSettings filter;
    WriteMode mode = WriteMode::All;
    // Where a run without an output file of its own writes ("{date}" the run's day), and the
    // time of day it runs by itself ("HH:MM"); both empty when unset, and then not written.
    std::string output;
    std::string schedule;
    bool outputUtf8 = false; // Encoding=utf-8: a CSV output in UTF-8, as the save dialog offers
};

std::string SavedSearchSection(std::string_view name);
// The names of the saved searches, in file order.
std::vector<std::string> SavedSearchNames(const ProfileFile& file);
// Why a name cannot be saved (empty, or a character a section name cannot hold); empty when fit.
// The name is taken without its surrounding blanks.
std::string SavedNameRefusal(std::string_view name);

struct SavedSearchRead {
    std::optional<SavedSearch> search; // nothing when there is no saved search of that name
    std::string refusal;               // a key that holds a value no run takes; empty when sound
};
SavedSearchRead ReadSavedSearch(const ProfileFile& file, std::string_view name);
// Replaces a saved search of the same name whole. False when the file cannot be written.
bool WriteSavedSearch(ProfileFile& file, const SavedSearch& search);
bool DeleteSavedSearch(ProfileFile& file, std::string_view name);

} // namespace vorn
