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

// The save dialog's file types, in the order it lists them.
enum SaveType { kSaveCsvCp932 = 0, kSaveCsvUtf8 = 1, kSaveWorkbook = 2 };
// What a chosen name and type make: a name typed with ".xlsx" or ".csv" (any case) keeps its
// extension and is that kind of file, whatever type is selected (".csv" under the workbook type
// is the program's own code page); any other name gains the selected type's extension.
struct SaveTarget {
    QString path;
    int type = kSaveCsvCp932;
};
SaveTarget SaveTargetFor(const QString& path, int selectedType);

// The image folder's text at start and after Clear: the user's home folder.
QString InitialImageFolder();

} // namespace vorn
