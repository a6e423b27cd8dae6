#pragma once

#include <string>

namespace vorn {

// Where a catalogue refresh shows how far it has come: the window's progress bar and status line,
// or the terminal.
class RefreshProgress {
public:
    virtual ~RefreshProgress() = default;

    // Before the first page: position 0 of maximum.
    virtual void Init(int maximum) = 0;
    // After each prefecture or genre: position done so far, and the status line (CP932).
    virtual void Step(int position, int maximum, const std::string& statusCp932) = 0;
    // Between pages, just before Step: the window lets pending events run so that it repaints.
    virtual void ProcessPendingEvents() {}
    // Asked before each page: true ends the refresh there, with the pages done so far stored.
    virtual bool StopRequested() { return false; }
};

} // namespace vorn
