#pragma once

#include <string>
#include <vector>

#include <QObject>

#include "catalogue/catalogue_lists.h"

class QAbstractButton;
class QCheckBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace vorn {

// The window's genre tree: genres with their sub-genres, a check box on every node, chkItem for
// all genres and the two expand/collapse buttons. Nodes are addressed by their absolute index in
// tree order (each genre followed by its sub-genres), which every saved or sent list uses.
class GenreTree : public QObject {
    Q_OBJECT
public:
    GenreTree(QTreeWidget& tree, QCheckBox& chkItem, QAbstractButton& spbExpand, QAbstractButton& spbCollapse,
              QObject* parent = nullptr);

    // Rebuilds every node, without check boxes until ShowCheckBoxes.
    void Load(std::vector<GenreNode> nodes);
    void ShowCheckBoxes();

    int NodeCount() const { return static_cast<int>(items_.size()); }
    const std::vector<GenreNode>& Nodes() const { return nodes_; }
    QTreeWidgetItem* Item(int index) const { return items_[index]; }
    int IndexOf(const QTreeWidgetItem* item) const;

    bool IsNodeChecked(int index) const;
    // That one node alone; nothing propagates.
    void SetNodeChecked(int index, bool checked);
    // A sub-genre's change reaches its genre: unchecked always, checked once every sibling is.
    void UpdateParentCheck(int index, bool checked);
    // The node, its genre by the rule above, and its own sub-genres.
    void ApplyNodeCheck(int index, bool checked);
    // chkItem follows the tree without changing any node.
    void SyncChkItem();

    // Applies a saved string of "1"/"0" marks exactly as saved.
    void RestoreGenreChecks(const std::string& checks);
    // The clear command's part: every node unchecked, collapsed, node 0 selected at the top.
    void Clear();
    void SelectFirstNode();

    // One "1" or "0" per node in index order.
    std::string CheckString() const;
    // The chosen nodes as "i," each; a sub-genre whose genre is checked is covered by the genre.
    std::string IndexList() const;

    // Handlers: chkItem's state change, the two buttons, and a check box the user toggled.
    void chkItemClick(bool checked);
    void spbButtonClick(QObject* sender);
    void TreeViewToggled(QTreeWidgetItem* item);

private:
    void OnItemChanged(QTreeWidgetItem* item, int column);

    QTreeWidget& tree_;
    QCheckBox& chkItem_;
    QAbstractButton& spbExpand_;
    QAbstractButton& spbCollapse_;
    std::vector<GenreNode> nodes_;
    std::vector<QTreeWidgetItem*> items_;
    bool changingChecks_ = false;
};

} // namespace vorn
