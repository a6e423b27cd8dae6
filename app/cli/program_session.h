#pragma once

#include <filesystem>
#include <memory>

#include "app/core/profile_file.h"
#include "app/core/run_lock.h"
#include "app/core/saved_conditions.h"
#include "catalogue/catalogue_db.h"

namespace vorn::cli {

// What every command that works on the program folder starts with: the folder beside the
// executable, its database and its settings file. The window may be open meanwhile.
class ProgramSession {
public:
    // Nothing when the database is missing; the reason has then been printed and the command
    // ends with kExitRefused.
    static std::unique_ptr<ProgramSession> Open();

    // A crawl or a refresh first takes the run lock, which the window's runs take too, and holds
    // it for as long as the session lives. When another run holds it, waits up to waitMinutes
    // for it to end; false when it did not, after printing why (the command ends with
    // kExitRefused).
    bool TakeRunLock(int waitMinutes = 0);

    const std::filesystem::path& programDir() const { return programDir_; }
    CatalogueDb& db() { return db_; }
    const ProfileFile& settings() const { return settings_; }
    // Section [Site], with the fetcher set to trust its CA bundle.
    SiteSettings UseSite() const;

private:
    explicit ProgramSession(std::filesystem::path programDir);

    std::unique_ptr<InstanceLock> runLock_; // first, so that it is let go after the database
    std::filesystem::path programDir_;
    ProfileFile settings_;
    CatalogueDb db_;
};

} // namespace vorn::cli
