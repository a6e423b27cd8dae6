#pragma once

#include <QString>

// How the start command reads the user's paths.
namespace vorn {

// The save dialog's proposal: the prefecture's name in city mode, the plain name otherwise.
QString DefaultCsvFileName(int comboIndex, const QString& comboText);

// Appends ".csv" unless the file name's extension (from its last dot on) is .csv in any case.
QString WithCsvExtension(const QString& path);
// The same for another extension (".xlsx").
QString WithExtension(const QString& path, const QString& extension);

// The image folder's text at start and after Clear: the user's home folder.
QString InitialImageFolder();

} // namespace vorn
