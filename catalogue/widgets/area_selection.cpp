#include "catalogue/widgets/area_selection.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QSignalBlocker>

#include "catalogue/catalogue_lists.h"
#include "catalogue/widgets/qt_text.h"
#include "catalogue/widgets/scoped_flag.h"

namespace vorn {

namespace {

constexpr int kItemHeight = 16;

bool IsChecked(const QListWidgetItem* item) { return item->checkState() != Qt::Unchecked; }

} // namespace

AreaSelection::AreaSelection(QCheckBox& chkArea, QComboBox& cmbArea, QListWidget& clstArea, QObject* parent)
    : QObject(parent), chkArea_(chkArea), cmbArea_(cmbArea), clstArea_(clstArea) {
    // The combo reacts to the user's picks only; code that selects an item does not reload.
    connect(&cmbArea_, &QComboBox::activated, this, [this] { cmbAreaClick(); });
    connect(&chkArea_, &QCheckBox::toggled, this, &AreaSelection::chkAreaClick);
    connect(&clstArea_, &QListWidget::itemChanged, this, &AreaSelection::OnItemChanged);
}

void AreaSelection::FillDesignItems() {
    const std::vector<std::string>& combo = PrefectureComboItems();
    {
        QSignalBlocker blocker(cmbArea_);
        cmbArea_.clear();
        for (const std::string& text : combo) {
            cmbArea_.addItem(FromCp932(text));
        }
        cmbArea_.setCurrentIndex(0);
    }
    AddItems(std::vector<std::string>(combo.begin() + 1, combo.end()));
}

void AreaSelection::AddItems(const std::vector<std::string>& names) {
    ScopedFlag changing(changingChecks_);
    clstArea_.setUpdatesEnabled(false);
    clstArea_.clear();
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(FromCp932(name));
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
        item->setSizeHint(QSize(1, kItemHeight));
        clstArea_.addItem(item);
    }
    clstArea_.setUpdatesEnabled(true);
}

void AreaSelection::LoadAreaList() {
    if (!namesSource_ || cmbArea_.currentIndex() < 0) {
        return;
    }
    const int comboIndex = cmbArea_.currentIndex();
    // Emptied first: a failed query must not leave the previous mode's areas and checks under
    // the new combo choice.
    AddItems({});
    AddItems(namesSource_(comboIndex));
}

void AreaSelection::RestoreAreaChecks(int comboIndex, const std::string& checks) {
    // A prefecture number beyond the combo keeps prefecture mode.
    if (comboIndex > 0 && comboIndex < cmbArea_.count()) {
        cmbArea_.setCurrentIndex(comboIndex);
        LoadAreaList();
    }
    int select = 0;
    if (!checks.empty()) {
        bool someUnchecked = false;
        {
            ScopedFlag changing(changingChecks_);
            for (int i = 0; i < clstArea_.count(); ++i) {
                if (static_cast<std::size_t>(i) < checks.size() && checks[i] == '1') {
                    clstArea_.item(i)->setCheckState(Qt::Checked);
                } else {
                    someUnchecked = true;
                }
            }
        }
        if (someUnchecked) {
            for (int i = 0; i < clstArea_.count(); ++i) {
                if (IsChecked(clstArea_.item(i))) {
                    select = i;
                    break;
                }
            }
        } else {
            chkArea_.setChecked(true);
        }
    }
    SelectItem(select);
}

void AreaSelection::Clear() {
    chkArea_.setChecked(false);
    if (cmbArea_.currentIndex() != 0) {
        cmbArea_.setCurrentIndex(0);
        LoadAreaList();
    }
    SetAllChecked(false);
    SelectItem(0);
}

void AreaSelection::SelectItem(int index) {
    if (index >= 0 && index < clstArea_.count()) {
        clstArea_.setCurrentRow(index);
    }
}

bool AreaSelection::AnyChecked() const {
    for (int i = 0; i < clstArea_.count(); ++i) {
        if (IsChecked(clstArea_.item(i))) {
            return true;
        }
    }
    return false;
}

std::string AreaSelection::CheckString() const {
    std::string marks;
    for (int i = 0; i < clstArea_.count(); ++i) {
        marks += IsChecked(clstArea_.item(i)) ? '1' : '0';
    }
    return marks;
}

std::vector<std::string> AreaSelection::ItemTexts() const {
    std::vector<std::string> texts;
    for (int i = 0; i < clstArea_.count(); ++i) {
        texts.push_back(ToCp932(clstArea_.item(i)->text()));
    }
    return texts;
}

std::vector<bool> AreaSelection::ItemChecks() const {
    std::vector<bool> checks;
    for (int i = 0; i < clstArea_.count(); ++i) {
        checks.push_back(IsChecked(clstArea_.item(i)));
    }
    return checks;
}

void AreaSelection::SetAllChecked(bool checked) {
    ScopedFlag changing(changingChecks_);
    for (int i = 0; i < clstArea_.count(); ++i) {
        clstArea_.item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

void AreaSelection::chkAreaClick(bool checked) {
    if (clstArea_.count() == 0) {
        return;
    }
    SetAllChecked(checked);
    clstArea_.setFocus();
}

void AreaSelection::cmbAreaClick() {
    try {
        LoadAreaList();
    } catch (const std::exception& error) {
        if (!errorReport_) {
            throw;
        }
        errorReport_(error);
        return;
    }
    chkArea_.setChecked(false);
    SelectItem(0);
    clstArea_.setFocus();
}

void AreaSelection::OnItemChanged(QListWidgetItem* /*item*/) {
    if (!changingChecks_) {
        clstAreaClickCheck();
    }
}

void AreaSelection::clstAreaClickCheck() {
    // chkArea follows the list without touching it back.
    bool anyUnchecked = false;
    for (int i = 0; i < clstArea_.count(); ++i) {
        anyUnchecked = anyUnchecked || !IsChecked(clstArea_.item(i));
    }
    QSignalBlocker blocker(chkArea_);
    if (chkArea_.isChecked() && anyUnchecked) {
        chkArea_.setChecked(false);
    } else if (!chkArea_.isChecked() && !anyUnchecked) {
        chkArea_.setChecked(true);
    }
}

} // namespace vorn
