#pragma once

#include <string>

// The texts both programs show the user, as CP932 bytes; "\n" is a line feed. The words stand
// in messages.cpp alone.
namespace vorn::msg {

const std::string& NoArea();             // Start: no area checked
const std::string& NoGenre();            // Start: no genre checked
const std::string& NoImageFolder();      // Start: images on, no folder given
const std::string& ImageFolderMissing(); // Start: the image folder is not there
const std::string& OtherRunActive();     // Start: the other program is running a crawl or refresh
const std::string& FileInUse();          // Start: the chosen file cannot be replaced
const std::string& DatabaseMissing();    // start-up: no db/vrn_data.db
const std::string& Fetching();           // the status line until the run's first progress
const std::string& RunCompleted();       // rows written (the window asks to open the file)
const std::string& NoItemsFound();       // no listing matched
const std::string& NothingNew();         // new-only: nothing an earlier run had not collected
const std::string& NoChanges();          // changes-only: nothing new and no change
const std::string& SiteUnreachable();    // a page or photograph was not served
const std::string& SaveFailed();         // the CSV, a page or a photograph could not be written
const std::string& PagesUnrecognised();  // nothing read: the site's results pages could not be read
// A run that met pages it could not read: how many results and listing pages.
std::string UnrecognisedPagesLine(int resultsPages, int listingPages);
// The site refused the run; httpStatus is that of its last refusal.
std::string SiteRefused(long httpStatus);
// A run the site refused pages: how many results and listing pages.
std::string RefusedPagesLine(int resultsPages, int listingPages);

} // namespace vorn::msg
