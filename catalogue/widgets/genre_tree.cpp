#include "catalogue/widgets/genre_tree.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "catalogue/widgets/qt_text.h"
#include "catalogue/widgets/scoped_flag.h"

namespace vorn {

namespace {

constexpr int kIndexRole = Qt::UserRole;
constexpr int kExpandTag = 1;

} // namespace

GenreTree::GenreTree(QTreeWidget& tree, QCheckBox& chkItem, QAbstractButton& spbExpand, QAbstractButton& spbCollapse,
                     QObject* parent)
    : QObject(parent), tree_(tree), chkItem_(chkItem), spbExpand_(spbExpand), spbCollapse_(spbCollapse) {
    connect(&chkItem_, &QCheckBox::toggled, this, &GenreTree::chkItemClick);
    connect(&tree_, &QTreeWidget::itemChanged, this, &GenreTree::OnItemChanged);
    connect(&spbExpand_, &QAbstractButton::clicked, this, [this] { spbButtonClick(&spbExpand_); });
    connect(&spbCollapse_, &QAbstractButton::clicked, this, [this] { spbButtonClick(&spbCollapse_); });
}

void GenreTree::Load(std::vector<GenreNode> nodes) {
    ScopedFlag changing(changingChecks_);
    tree_.setUpdatesEnabled(false);
    tree_.clear();
    items_.clear();
    nodes_ = std::move(nodes);
    QTreeWidgetItem* genre = nullptr;
    int genreIndex = -1;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        GenreNode& node = nodes_[i];
        QTreeWidgetItem* item = nullptr;
        if (node.level == 0 || genre == nullptr) {
            item = new QTreeWidgetItem(&tree_);
            genre = item;
            genreIndex = static_cast<int>(i);
            node.level = 0;
            node.parent = -1;
        } else {
            item = new QTreeWidgetItem(genre);
            node.parent = genreIndex;
        }
        // Read-only and never partly checked.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setText(0, FromCp932(node.text));
        item->setData(0, kIndexRole, static_cast<int>(i));
        items_.push_back(item);
    }
    tree_.setUpdatesEnabled(true);
}

void GenreTree::ShowCheckBoxes() {
    ScopedFlag changing(changingChecks_);
    for (QTreeWidgetItem* item : items_) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
}

int GenreTree::IndexOf(const QTreeWidgetItem* item) const {
    if (item == nullptr) {
        return -1;
    }
    bool ok = false;
    const int index = item->data(0, kIndexRole).toInt(&ok);
    return ok && index >= 0 && index < NodeCount() && items_[index] == item ? index : -1;
}

bool GenreTree::IsNodeChecked(int index) const { return items_[index]->checkState(0) != Qt::Unchecked; }

void GenreTree::SetNodeChecked(int index, bool checked) {
    ScopedFlag changing(changingChecks_);
    items_[index]->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void GenreTree::UpdateParentCheck(int index, bool checked) {
    const int parent = nodes_[index].parent;
    if (parent < 0) {
        return;
    }
    if (!checked) {
        SetNodeChecked(parent, false);
        return;
    }
    QTreeWidgetItem* genre = items_[parent];
    for (int i = 0; i < genre->childCount(); ++i) {
        if (genre->child(i)->checkState(0) == Qt::Unchecked) {
            return;
        }
    }
    SetNodeChecked(parent, true);
}

void GenreTree::ApplyNodeCheck(int index, bool checked) {
    SetNodeChecked(index, checked);
    UpdateParentCheck(index, checked);
    QTreeWidgetItem* item = items_[index];
    for (int i = 0; i < item->childCount(); ++i) {
        SetNodeChecked(IndexOf(item->child(i)), checked);
    }
}

void GenreTree::SyncChkItem() {
    // chkItem means every genre: it is checked exactly when every node is, so a genre without
    // sub-genres that is left unchecked is never searched by way of chkItem.
    bool anyUnchecked = false;
    for (int i = 0; i < NodeCount(); ++i) {
        anyUnchecked = anyUnchecked || !IsNodeChecked(i);
    }
    QSignalBlocker blocker(chkItem_);
    if (chkItem_.isChecked() && anyUnchecked) {
        chkItem_.setChecked(false);
    } else if (!chkItem_.isChecked() && !anyUnchecked && NodeCount() > 0) {
        chkItem_.setChecked(true);
    }
}

void GenreTree::RestoreGenreChecks(const std::string& checks) {
    int select = 0;
    if (!checks.empty()) {
        bool someUnchecked = false;
        for (int i = 0; i < NodeCount(); ++i) {
            if (static_cast<std::size_t>(i) < checks.size() && checks[i] == '1') {
                SetNodeChecked(i, true);
            } else {
                someUnchecked = true;
            }
        }
        if (someUnchecked) {
            // A partly chosen genre opens.
            for (int i = 0; i < NodeCount(); ++i) {
                const int parent = nodes_[i].parent;
                if (parent >= 0 && IsNodeChecked(i) && !IsNodeChecked(parent)) {
                    items_[parent]->setExpanded(true);
                }
            }
            for (int i = 0; i < NodeCount(); ++i) {
                if (IsNodeChecked(i)) {
                    select = i;
                    break;
                }
            }
        } else {
            chkItem_.setChecked(true);
        }
    }
    if (select < NodeCount()) {
        tree_.setCurrentItem(items_[select]);
    }
}

void GenreTree::Clear() {
    chkItem_.setChecked(false);
    for (int i = 0; i < NodeCount(); ++i) {
        SetNodeChecked(i, false);
    }
    tree_.collapseAll();
    SelectFirstNode();
}

void GenreTree::SelectFirstNode() {
    if (NodeCount() == 0) {
        return;
    }
    tree_.setCurrentItem(items_[0]);
    tree_.scrollToItem(items_[0], QAbstractItemView::PositionAtTop);
}

std::string GenreTree::CheckString() const {
    std::string marks;
    for (int i = 0; i < NodeCount(); ++i) {
        marks += IsNodeChecked(i) ? '1' : '0';
    }
    return marks;
}

std::string GenreTree::IndexList() const {
    std::vector<bool> checked(static_cast<std::size_t>(NodeCount()));
    for (int i = 0; i < NodeCount(); ++i) {
        checked[static_cast<std::size_t>(i)] = IsNodeChecked(i);
    }
    return BuildCtgrIndexList(nodes_, checked);
}

void GenreTree::chkItemClick(bool checked) {
    for (int i = 0; i < NodeCount(); ++i) {
        SetNodeChecked(i, checked);
    }
}

void GenreTree::spbButtonClick(QObject* sender) {
    if ((sender != &spbExpand_ && sender != &spbCollapse_) || NodeCount() == 0) {
        return;
    }
    tree_.setUpdatesEnabled(false);
    if (sender->property("tag").toInt() == kExpandTag) {
        tree_.expandAll();
    } else {
        tree_.collapseAll();
    }
    tree_.setUpdatesEnabled(true);
    SelectFirstNode();
    tree_.setFocus();
}

void GenreTree::OnItemChanged(QTreeWidgetItem* item, int column) {
    // The view reports the user's toggles (a press on the box, Space) directly; the program's
    // own changes run under changingChecks_.
    if (!changingChecks_ && column == 0) {
        TreeViewToggled(item);
    }
}

void GenreTree::TreeViewToggled(QTreeWidgetItem* item) {
    const int index = IndexOf(item);
    if (index < 0) {
        return;
    }
    ApplyNodeCheck(index, IsNodeChecked(index));
    SyncChkItem();
}

} // namespace vorn
