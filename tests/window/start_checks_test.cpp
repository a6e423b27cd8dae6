// The start command's checks, in their order, and what it makes of the user's paths, up to the
// moment a run would begin.
#include <fstream>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "catalogue/widgets/genre_tree.h"
#include "tests/window/window_fixture.h"

namespace vorn::test {
namespace {

class StartChecksTest : public WindowTest {
protected:
    void SetUp() override {
        Open();
        window->TreeView->expandAll();
    }

    // Presses Start with the save dialog answered "cancel" when it comes.
    void PressStartCancellingTheDialog() {
        prompt.QueueSaveFile(std::nullopt);
        window->btnAction->click();
        ProcessEvents();
    }

    std::vector<PromptCall> Refusals() const { return prompt.CallsOf(PromptCall::Kind::Information); }

    TempDir folder;
};

TEST_F(StartChecksTest, ImageFolderIsTrimmedAndGainsASeparatorBeforeTheDialog) {
    ClickCheckBox(Area(0));
    ClickCheckBox(Node(node::kBicycle));
    window->chkImgSave->click();
    const QString path = QString::fromStdString(folder.path().string());
    window->txtDirPath->setText(QStringLiteral("  ") + path + QStringLiteral("\t "));
    PressStartCancellingTheDialog();
    EXPECT_EQ(window->txtDirPath->text(), path + QStringLiteral("/"));

    window->txtDirPath->setText(path + QStringLiteral("/  "));
    PressStartCancellingTheDialog();
    EXPECT_EQ(window->txtDirPath->text(), path + QStringLiteral("/  ")) << "a separator then blanks stays as typed";
    EXPECT_TRUE(Refusals().empty());
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::SaveFile).size(), 2u);
}

TEST_F(StartChecksTest, DefaultFileNameNamesThePrefectureOnlyInCityMode) {
    ClickCheckBox(Area(12));
    ClickCheckBox(Node(node::kBicycle));
    PressStartCancellingTheDialog();
    EXPECT_EQ(prompt.lastSaveFileName, Utf8("ヴォルン商品リスト.csv"));
    EXPECT_EQ(prompt.lastSaveFilters, (QStringList{Utf8("CSVファイル (*.csv)"), Utf8("CSVファイル UTF-8 (*.csv)"),
                                                   Utf8("Excelブック (*.xlsx)")}))
        << "the program's own type first, and chosen";
    EXPECT_EQ(prompt.CallsOf(PromptCall::Kind::SaveFile)[0].text, Utf8("取得情報の保存先を指定してください"));

    PickCombo(kTokyo);
    ClickCheckBox(Area(0));
    PressStartCancellingTheDialog();
    EXPECT_EQ(prompt.lastSaveFileName, Utf8("東京都_ヴォルン商品リスト.csv"));
    EXPECT_EQ(window->csvFileName().filename().string(), "東京都_ヴォルン商品リスト.csv")
        << "the proposal is a UTF-8 path";
    EXPECT_FALSE(window->btnCancel->isEnabled()) << "a cancelled dialog leaves the window idle";
    EXPECT_TRUE(Refusals().empty());
}

TEST_F(StartChecksTest, ABadFilterValueIsRefusedBeforeTheSaveDialog) {
    ClickCheckBox(Area(0));
    ClickCheckBox(Node(node::kBicycle));
    std::ofstream(programDir.db() / "vrn.ini", std::ios::app) << "[Filter]\nMaxPrice=3,000\n";
    window->btnAction->click();
    ASSERT_EQ(Refusals().size(), 1u);
    EXPECT_TRUE(Refusals()[0].text.startsWith(QStringLiteral("[Filter] MaxPrice ")))
        << Refusals()[0].text.toStdString();
    EXPECT_EQ(Refusals()[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(prompt.CallsOf(PromptCall::Kind::SaveFile).empty());
}

// Makes deleting a file fail, as a file held by another program does: a read-only folder, or
// for the superuser (whom folder modes do not stop) the immutable flag. Undone on destruction.
class Undeletable {
public:
    explicit Undeletable(std::filesystem::path file) : file_(std::move(file)) {
        active_ = geteuid() != 0 ? ::chmod(file_.parent_path().c_str(), 0555) == 0 : SetImmutable(true);
    }
    ~Undeletable() {
        if (active_ && geteuid() != 0) {
            ::chmod(file_.parent_path().c_str(), 0700);
        } else if (active_) {
            SetImmutable(false);
        }
    }
    bool active() const { return active_; }

private:
    bool SetImmutable(bool on) const {
        const int fd = ::open(file_.c_str(), O_RDONLY);
        if (fd < 0) {
            return false;
        }
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    std::filesystem::path file_;
    bool active_ = false;
};

TEST_F(StartChecksTest, AFileThatCannotBeReplacedRefusesTheStartAndStaysUntouched) {
    ClickCheckBox(Area(0));
    ClickCheckBox(Node(node::kBicycle));
    const std::filesystem::path held = folder.path() / "held.csv";
    std::ofstream(held) << "kept";
    Undeletable lock(held);
    if (!lock.active()) {
        GTEST_SKIP() << "this file system cannot hold a file against deletion";
    }
    prompt.QueueSaveFile(QString::fromStdString(held.string()));
    window->btnAction->click();

    ASSERT_EQ(Refusals().size(), 1u);
    EXPECT_EQ(Refusals()[0].text,
              Utf8("選択されたファイルが他のアプリケーションで使用中の為\n開くことができませんでした。"));
    EXPECT_EQ(Refusals()[0].caption, QStringLiteral("Error"));
    EXPECT_FALSE(window->btnCancel->isEnabled());
    std::ifstream in(held);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "kept");
}

TEST_F(StartChecksTest, AFolderChosenAsTheFileIsNeverRemoved) {
    ClickCheckBox(Area(0));
    ClickCheckBox(Node(node::kBicycle));
    const std::filesystem::path folderNamedCsv = folder.path() / "list.csv";
    std::filesystem::create_directory(folderNamedCsv);
    prompt.QueueSaveFile(QString::fromStdString(folderNamedCsv.string()));
    window->btnAction->click();

    ASSERT_EQ(Refusals().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(folderNamedCsv));
    EXPECT_FALSE(window->btnCancel->isEnabled());
}

} // namespace
} // namespace vorn::test
