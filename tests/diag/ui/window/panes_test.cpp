// The panes over a hand-built directory tree: what the tree holds, what the
// list shows of a directory and in which order, the status texts, moving
// around, the splitter and the list styles.
#include "diag/ui/window/panes.h"

#include <QApplication>
#include <QHeaderView>
#include <QSignalSpy>

#include "diag/device/registry_key.h"
#include "diag/ui/options/options_store.h"
#include "diag/ui/window/list_texts.h"
#include "node_tree.h"
#include "window_fixture.h"

namespace kel::diag {
namespace {

using test::NodeTree;

class PanesTest : public test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        SetPaneHooks({[this](std::string_view text) { status_.emplace_back(text); }, {}});
        root_ = &tree_.add(nullptr, "DISC", true);
        sub_ = &tree_.add(root_, "SUB", true, 30);
        tree_.add(sub_, "INNER.TXT;1", false, 40, 10);
        readme_ = &tree_.add(root_, "readme.txt;1", false, 22, 10239);
        big_ = &tree_.add(root_, "B.DAT", false, 21, 10240);
        gone_ = &tree_.add(root_, "GONE", true, kBeyondVolume);
        big_->recordingDate = {126, 12, 9, 8, 30, 0, 0};
    }

    void addTree(Panes& panes) {
        panes.AddTreeNode(*root_);
        panes.AddTreeNode(*sub_);
        panes.AddTreeNode(*gone_);
    }

    // The list's names, row by row.
    static std::vector<std::string> names(Panes& panes) {
        std::vector<std::string> shown;
        const ListModel& model = panes.list()->model();
        for (int row = 0; row < model.rowCount(); ++row) {
            shown.push_back(
                model.data(model.index(row, 0), Qt::DisplayRole).toString().toStdString());
        }
        return shown;
    }
    static QString text(Panes& panes, const FileNode& node, int column) {
        const ListModel& model = panes.list()->model();
        return model.data(model.index(node.listIndex, column), Qt::DisplayRole).toString();
    }
    void selectRows(Panes& panes, std::initializer_list<const FileNode*> nodes) {
        QItemSelectionModel* selection = panes.list()->selection();
        selection->clearSelection();
        for (const FileNode* node : nodes) {
            selection->select(panes.list()->model().index(node->listIndex, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    NodeTree tree_;
    FileNode* root_;
    FileNode* sub_;
    FileNode* readme_;
    FileNode* big_;
    FileNode* gone_;
    std::vector<std::string> status_;
};

TEST_F(PanesTest, TreeHoldsTheDirectoriesThatHaveAPlace) {
    Panes panes;
    addTree(panes);
    ASSERT_EQ(panes.tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* top = panes.tree()->topLevelItem(0);
    EXPECT_EQ(top, root_->treeItem);
    EXPECT_EQ(top->text(0), "DISC");
    ASSERT_EQ(top->childCount(), 1) << "an entry beyond the volume is not shown";
    EXPECT_EQ(top->child(0)->text(0), "SUB");
    EXPECT_EQ(gone_->treeItem, nullptr);

    // A node whose parent has no item has nowhere to go.
    FileNode& orphan = tree_.add(gone_, "ORPHAN", true);
    panes.AddTreeNode(orphan);
    EXPECT_EQ(orphan.treeItem, nullptr);
}

TEST_F(PanesTest, ShowingADirectoryListsItsEntriesByName) {
    Panes panes;
    addTree(panes);
    panes.SelectTreeNode(*root_);
    EXPECT_EQ(panes.SelectedTreeNode(), root_);
    EXPECT_EQ(names(panes), (std::vector<std::string>{"GONE", "SUB", "B.DAT", "readme.txt;1"}));
    EXPECT_EQ(panes.sortState(), 1);
    EXPECT_EQ(status_.back(), "4 items in directory");
    for (const FileNode* node : {sub_, readme_, big_, gone_}) {
        EXPECT_EQ(names(panes).at(static_cast<std::size_t>(node->listIndex)), node->name)
            << "list index of " << node->name;
    }
    EXPECT_EQ(text(panes, *readme_, kColumnSize), "10,239");
    EXPECT_EQ(text(panes, *big_, kColumnSize), "10K");
    EXPECT_EQ(text(panes, *gone_, kColumnBlock), "N/A     ");
    EXPECT_EQ(text(panes, *big_, kColumnDate), "2026-12-09 8:30:00");
    EXPECT_EQ(text(panes, *readme_, kColumnDate), "-- N/A --");

    Options().removeVersion = 1;
    EXPECT_EQ(text(panes, *readme_, kColumnName), "readme.txt");

    // A new selection empties the list before it is filled again.
    panes.SelectTreeNode(*sub_);
    EXPECT_EQ(names(panes), std::vector<std::string>{"INNER.TXT"});
    EXPECT_EQ(status_.back(), "1 items in directory");
}

TEST_F(PanesTest, WithoutSortInitialTheRecordedOrderStays) {
    Options().sortInitial = 0;
    Panes panes;
    addTree(panes);
    panes.SelectTreeNode(*root_);
    EXPECT_EQ(names(panes), (std::vector<std::string>{"SUB", "readme.txt;1", "B.DAT", "GONE"}));
    EXPECT_EQ(panes.sortState(), 0);
}

TEST_F(PanesTest, ClickingAColumnTwiceSortsDescendingAndAThirdTimeAscending) {
    Panes panes;
    addTree(panes);
    panes.SelectTreeNode(*root_);
    QHeaderView* header = panes.list()->detailsView()->header();
    emit header->sectionClicked(kColumnSize);
    EXPECT_EQ(panes.sortState(), 3);
    EXPECT_EQ(names(panes).back(), "B.DAT");
    emit header->sectionClicked(kColumnSize);
    EXPECT_EQ(panes.sortState(), -3);
    EXPECT_EQ(names(panes).front(), "B.DAT");
    emit header->sectionClicked(kColumnSize);
    EXPECT_EQ(panes.sortState(), 3);
    emit header->sectionClicked(kColumnBlock);
    EXPECT_EQ(panes.sortState(), 2);
    EXPECT_EQ(names(panes).front(), "GONE");
    EXPECT_EQ(big_->listIndex, 1) << "nodes learn their rows after a sort";
}

TEST_F(PanesTest, SelectedEntriesAreDescribedInTheStatusBar) {
    Panes panes;
    addTree(panes);
    panes.SelectTreeNode(*root_);
    selectRows(panes, {big_});
    EXPECT_EQ(status_.back(), "10240 bytes, 2026-12-09 8:30:00");
    selectRows(panes, {big_, readme_});
    EXPECT_EQ(status_.back(), "2 items selected, 20479 total bytes");
    selectRows(panes, {sub_});
    EXPECT_EQ(status_.back(), "1 items in directory");

    selectRows(panes, {readme_, big_});
    EXPECT_EQ(panes.NextSelectedListNode(nullptr), big_);
    EXPECT_EQ(panes.NextSelectedListNode(big_), readme_);
    EXPECT_EQ(panes.NextSelectedListNode(readme_), nullptr);
}

TEST_F(PanesTest, OpeningADirectoryAndGoingBackUp) {
    Panes panes;
    addTree(panes);
    panes.SelectTreeNode(*root_);
    selectRows(panes, {sub_});
    emit panes.list()->nodeActivated();
    EXPECT_EQ(panes.SelectedTreeNode(), sub_);

    panes.OnMainKeyDown(Qt::Key_Backspace);
    EXPECT_EQ(panes.SelectedTreeNode(), root_);
    panes.OnMainKeyDown(Qt::Key_Backspace);
    EXPECT_EQ(panes.SelectedTreeNode(), root_) << "the top has no parent";

    // An entry beyond the volume has nothing to show; a file is no folder.
    selectRows(panes, {gone_});
    emit panes.list()->nodeActivated();
    selectRows(panes, {big_});
    emit panes.list()->nodeActivated();
    EXPECT_EQ(panes.SelectedTreeNode(), root_);
}

TEST_F(PanesTest, ClearingTheTreeLeavesBothPanesEmpty) {
    Panes panes;
    addTree(panes);
    panes.SelectTreeNode(*root_);
    panes.ClearTree();
    EXPECT_EQ(panes.tree()->topLevelItemCount(), 0);
    EXPECT_EQ(panes.list()->model().rowCount(), 0);
    EXPECT_EQ(panes.SelectedTreeNode(), nullptr);
}

TEST_F(PanesTest, SplitterStopsFiftyPixelsFromEitherEdgeAndIsRemembered) {
    Panes panes;
    panes.resize(600, 400);
    panes.LayoutPanes(600, 400);
    EXPECT_EQ(panes.tree()->geometry(), QRect(0, 0, 150, 400));
    EXPECT_EQ(panes.list()->geometry(), QRect(155, 0, 445, 400));

    panes.TrackSplitter(152, Panes::SplitterStep::Start);
    ASSERT_TRUE(panes.splitterDragging());
    panes.TrackSplitter(300, Panes::SplitterStep::Move);
    panes.TrackSplitter(50, Panes::SplitterStep::Move);
    panes.TrackSplitter(550, Panes::SplitterStep::Move);
    panes.TrackSplitter(550, Panes::SplitterStep::End);
    EXPECT_FALSE(panes.splitterDragging());
    EXPECT_EQ(panes.treeWidth(), 300);
    EXPECT_EQ(panes.list()->geometry(), QRect(305, 0, 295, 400));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    panes.TrackSplitter(302, Panes::SplitterStep::Start);
    panes.TrackSplitter(51, Panes::SplitterStep::Move);
    panes.TrackSplitter(0, Panes::SplitterStep::End);
    EXPECT_EQ(panes.treeWidth(), 51);

    RegistryKey key;
    ASSERT_TRUE(OpenProgramKey(key));
    EXPECT_EQ(key.ReadDword("TreeWidth", 0), 51u);
    Panes again;
    EXPECT_EQ(again.treeWidth(), 51);
}

TEST_F(PanesTest, NoDragWhileTheHourglassIsShown) {
    Panes panes;
    panes.resize(600, 400);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    panes.TrackSplitter(152, Panes::SplitterStep::Start);
    EXPECT_FALSE(panes.splitterDragging());
    QApplication::restoreOverrideCursor();
}

TEST_F(PanesTest, ANarrowWindowIsAllTree) {
    Panes panes;
    panes.LayoutPanes(100, 80);
    EXPECT_EQ(panes.tree()->geometry(), QRect(0, 0, 100, 80));
    EXPECT_EQ(panes.list()->width(), 0);
}

TEST_F(PanesTest, ListStyleAndColumnWidthsAreRemembered) {
    RegistryKey key;
    ASSERT_TRUE(OpenProgramKey(key));
    key.WriteString("ColumnWidths", "120,60,70,100,90");
    {
        Panes panes;
        EXPECT_EQ(panes.list()->listStyle(), ListStyle::Details);
        EXPECT_EQ(panes.list()->detailsView()->columnWidth(0), 120);
        panes.list()->detailsView()->setColumnWidth(2, 85);
        QSignalSpy chosen(&panes, &Panes::listStyleChanged);
        panes.SetListStyle(2);
        ASSERT_EQ(chosen.size(), 1);
        EXPECT_EQ(chosen.at(0).at(0).toInt(), 2);
        EXPECT_EQ(panes.list()->listStyle(), ListStyle::List);
    }
    EXPECT_EQ(key.ReadString("ColumnWidths", ""), "120,60,85,100,0");
    EXPECT_EQ(key.ReadDword("ListStyle", 9), 3u);
    Panes again;
    EXPECT_EQ(again.list()->listStyle(), ListStyle::List);
}

// OK in the preferences repaints the panes: the open list shows its names
// as the new options want them at once, in every style.
TEST_F(PanesTest, RepaintingShowsTheNamesAsTheOptionsNowWantThem) {
    Panes panes;
    panes.resize(600, 400);
    panes.show();
    addTree(panes);
    panes.SetListStyle(0);
    panes.SelectTreeNode(*root_);
    auto* view = qobject_cast<QAbstractItemView*>(panes.list()->currentWidget());
    ASSERT_NE(view, nullptr);
    const QModelIndex readme = panes.list()->model().index(readme_->listIndex, 0);
    QApplication::processEvents();
    const int before = view->visualRect(readme).width();
    Options().removeVersion = 1;
    panes.RepaintPanes();
    QApplication::processEvents();
    EXPECT_EQ(text(panes, *readme_, 0), "readme.txt");
    EXPECT_LT(view->visualRect(readme).width(), before) << "the item is laid out anew";
}

// Large icons draw every picture at the large size, not a small picture in
// a large cell.
TEST_F(PanesTest, LargeIconsHaveLargePictures) {
    Panes panes;
    addTree(panes);
    panes.SelectTreeNode(*root_);
    for (const int index : {0, 1}) {
        panes.SetListStyle(index);
        auto* view = qobject_cast<QAbstractItemView*>(panes.list()->currentWidget());
        ASSERT_NE(view, nullptr);
        const QSize size = view->iconSize();
        EXPECT_EQ(size.width(), index == 0 ? 48 : 16);
        for (const FileNode* node : {readme_, sub_, gone_}) {
            const QModelIndex at = panes.list()->model().index(node->listIndex, 0);
            const auto icon = qvariant_cast<QIcon>(at.data(Qt::DecorationRole));
            EXPECT_EQ(icon.pixmap(size).size(), size) << node->name << " in style " << index;
        }
    }
}

TEST(PaneSettings, DamagedSettingsFallBackPieceByPiece) {
    EXPECT_EQ(ParseColumnWidths("1,2,3,4,5"), (ColumnWidths{1, 2, 3, 4, 5}));
    EXPECT_EQ(ParseColumnWidths("10,20"), (ColumnWidths{10, 20, 80, 115, 90}));
    EXPECT_EQ(ParseColumnWidths("10,-5,99999,x"), (ColumnWidths{10, 55, 80, 115, 90}));
    EXPECT_EQ(ParseColumnWidths(""), kDefaultColumnWidths);
    EXPECT_EQ(ColumnWidthsText({150, 55, 80, 115, 0}), "150,55,80,115,0");
    EXPECT_EQ(ListStyleOfValue(7), ListStyle::Details);
    EXPECT_EQ(ListStyleOfIndex(1), ListStyle::SmallIcons);
    EXPECT_EQ(IndexOfListStyle(ListStyle::Details), 3);
}

}  // namespace
}  // namespace kel::diag
