#pragma once

#include <QString>

// How the start command reads the user's paths.
namespace vorn {

// Leading and trailing blanks and control characters (codes up to 32) removed.
QString TrimBlanks(const QString& text);

// The save dialog's proposal: the prefecture's name in city mode, the plain name otherwise.
QString DefaultCsvFileName(int comboIndex, const QString& comboText);

// Appends ".csv" unless the file name's extension (from its last dot on) is .csv in any case.
QString WithCsvExtension(const QString& path);

// The folder with the system's separator at its end.
QString WithTrailingSeparator(const QString& folder);

// The image folder's text at start and after Clear: the user's home folder.
QString InitialImageFolder();

} // namespace vorn
