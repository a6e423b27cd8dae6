#pragma once

namespace vorn {

// The name of an SQLite file layer (registered on first use) that passes every file to the
// system's own layer, but gathers the frames SQLite appends to a write-ahead log and hands them to
// the file system in one write when the frame that commits them arrives. SQLite writes each frame
// as two small writes; a run commits every listing it reads, ten pages or so each, and those
// forty-odd system calls a listing cost more than the rest of the listing's storing. The commit
// returns only once its frames are written, with the write's error, so what a commit keeps and
// when it keeps it is unchanged.
const char* LogWritesVfsName();

} // namespace vorn
