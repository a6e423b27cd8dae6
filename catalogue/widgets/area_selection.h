#pragma once

#include <exception>
#include <functional>
#include <string>
#include <vector>

#include <QObject>

class QCheckBox;
class QComboBox;
class QListWidget;
class QListWidgetItem;

namespace vorn {

// Keeps the window's three area controls in step: cmbArea chooses all prefectures (item 0) or
// the cities of prefecture k, clstArea lists them with a check box each, and chkArea checks or
// unchecks the whole list and follows it. Items carry only their text and mark; what an item
// stands for follows from its position and the combo's item.
class AreaSelection : public QObject {
    Q_OBJECT
public:
    // The list's names for a combo item (CP932). May throw; an empty source means no database.
    using NamesSource = std::function<std::vector<std::string>(int comboIndex)>;
    using ErrorReport = std::function<void(const std::exception&)>;

    AreaSelection(QCheckBox& chkArea, QComboBox& cmbArea, QListWidget& clstArea, QObject* parent = nullptr);

    void SetNamesSource(NamesSource source) { namesSource_ = std::move(source); }
    // Errors of the user's picks go here (the program's own calls let them through).
    void SetErrorReport(ErrorReport report) { errorReport_ = std::move(report); }

    // The design state: the combo's 48 items on item 0, the list with the 47 prefectures.
    void FillDesignItems();

    // Refills the list for the combo's current item, every item unchecked.
    void LoadAreaList();
    // Applies a saved combo item and a saved string of "1"/"0" marks.
    void RestoreAreaChecks(int comboIndex, const std::string& checks);
    // The clear command's part: chkArea off, prefectures again, every item unchecked, item 0.
    void Clear();

    void SelectItem(int index);
    bool AnyChecked() const;
    // One "1" or "0" per item in list order.
    std::string CheckString() const;
    std::vector<std::string> ItemTexts() const;
    std::vector<bool> ItemChecks() const;

    // Handlers: chkArea's state change, the user's pick in cmbArea, the user's toggle in clstArea.
    void chkAreaClick(bool checked);
    void cmbAreaClick();
    void clstAreaClickCheck();

private:
    void OnItemChanged(QListWidgetItem* item);
    void AddItems(const std::vector<std::string>& names);
    void SetAllChecked(bool checked);

    QCheckBox& chkArea_;
    QComboBox& cmbArea_;
    QListWidget& clstArea_;
    NamesSource namesSource_;
    ErrorReport errorReport_;
    bool changingChecks_ = false;
};

} // namespace vorn
