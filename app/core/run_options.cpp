#include "app/core/run_options.h"

#include <algorithm>

#include "app/core/filter_settings.h"
#include "web/text.h"

namespace vorn {

namespace {

constexpr std::string_view kSavedPrefix = "Saved:";

bool StartsWithSavedPrefix(std::string_view section) {
    return section.size() > kSavedPrefix.size() &&
           SameProfileName(section.substr(0, kSavedPrefix.size()), kSavedPrefix);
}

} // namespace

const char* WriteModeName(WriteMode mode) {
    switch (mode) {
    case WriteMode::NewOnly:
        return "new-only";
    case WriteMode::ChangesOnly:
        return "changes-only";
    case WriteMode::All:
        break;
    }
    return "all";
}

std::optional<WriteMode> WriteModeFromName(std::string_view name) {
    for (const WriteMode mode : {WriteMode::All, WriteMode::NewOnly, WriteMode::ChangesOnly}) {
        if (name == WriteModeName(mode)) {
            return mode;
        }
    }
    return std::nullopt;
}

ModeRead ReadWriteMode(const ProfileFile& file, std::string_view section) {
    ModeRead read;
    const std::string text = Trim(file.ReadString(section, "Mode"));
    if (text.empty()) {
        return read;
    }
    if (const auto mode = WriteModeFromName(text)) {
        read.mode = *mode;
    } else {
        read.refusal = "[" + std::string(section) + "] Mode takes all, new-only or changes-only, not \"" + text + "\"";
    }
    return read;
}

bool WriteWriteMode(ProfileFile& file, WriteMode mode, std::string_view section) {
    return file.WriteString(section, "Mode", WriteModeName(mode));
}

std::string SavedSearchSection(std::string_view name) { return std::string(kSavedPrefix) + Trim(name); }

std::vector<std::string> SavedSearchNames(const ProfileFile& file) {
    std::vector<std::string> names;
    for (const std::string& section : file.Sections()) {
        if (StartsWithSavedPrefix(section)) {
            names.push_back(section.substr(kSavedPrefix.size()));
        }
    }
    return names;
}

std::string SavedNameRefusal(std::string_view name) {
    const std::string trimmed = Trim(name);
    if (trimmed.empty()) {
        return "a saved search needs a name";
    }
    // A line break would end the section's header; a "]" would be read as its end.
    if (std::any_of(trimmed.begin(), trimmed.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == ']'; })) {
        return "a saved search's name holds no \"]\" and no control character";
    }
    return {};
}

SavedSearchRead ReadSavedSearch(const ProfileFile& file, std::string_view name) {
    SavedSearchRead read;
    const std::string wanted = Trim(name);
    const std::vector<std::string> names = SavedSearchNames(file);
    const auto found = std::find_if(names.begin(), names.end(),
                                    [&](const std::string& saved) { return SameProfileName(saved, wanted); });
    if (found == names.end()) {
        return read;
    }
    const std::string section = SavedSearchSection(*found);
    SavedSearch search;
    search.name = *found;
    search.conditions = ReadSavedConditions(file, section);
    FilterReading filter = ReadFilterSettings(file, section);
    ModeRead mode = ReadWriteMode(file, section);
    search.filter = std::move(filter.settings);
    search.mode = mode.mode;
    search.output = Trim(file.ReadString(section, "Output"));
    search.schedule = Trim(file.ReadString(section, "Schedule"));
    search.outputUtf8 = Trim(file.ReadString(section, "Encoding")) == "utf-8";
    read.refusal = !filter.refusal.empty() ? filter.refusal : mode.refusal;
    read.search = std::move(search);
    return read;
}

bool WriteSavedSearch(ProfileFile& file, const SavedSearch& search) {
    const std::string section = SavedSearchSection(search.name);
    // Whole: keys of an older version of the search must not survive it.
    return file.EraseSection(section) && WriteSavedConditions(file, search.conditions, section) &&
           WriteFilterSettings(file, search.filter, section) && WriteWriteMode(file, search.mode, section) &&
           (search.output.empty() || file.WriteString(section, "Output", search.output)) &&
           (search.schedule.empty() || file.WriteString(section, "Schedule", search.schedule)) &&
           (!search.outputUtf8 || file.WriteString(section, "Encoding", "utf-8"));
}

bool DeleteSavedSearch(ProfileFile& file, std::string_view name) { return file.EraseSection(SavedSearchSection(name)); }

} // namespace vorn
