#pragma once

#include <filesystem>
#include <memory>

#include "app/core/instance_lock.h"
#include "app/core/profile_file.h"
#include "app/core/saved_conditions.h"
#include "catalogue/catalogue_db.h"

namespace vorn::cli {

// What every command that works on the program folder starts with: the window's single-instance
// lock (the commands share its database and scratch file), the folder beside the executable, its
// database and its settings file. The lock is held for as long as the object lives.
class ProgramSession {
public:
    // Nothing when another instance holds the lock or the database is missing; the reason has
    // then been printed and the command ends with kExitRefused.
    static std::unique_ptr<ProgramSession> Open();

    const std::filesystem::path& programDir() const { return programDir_; }
    CatalogueDb& db() { return db_; }
    const ProfileFile& settings() const { return settings_; }
    // Section [Site], with the fetcher set to trust its CA bundle.
    SiteSettings UseSite() const;

private:
    ProgramSession(std::unique_ptr<InstanceLock> lock, std::filesystem::path programDir);

    std::unique_ptr<InstanceLock> lock_;
    std::filesystem::path programDir_;
    ProfileFile settings_;
    CatalogueDb db_;
};

} // namespace vorn::cli
