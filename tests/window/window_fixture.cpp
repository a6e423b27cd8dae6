#include "tests/window/window_fixture.h"

#include <fstream>
#include <iterator>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include "catalogue/catalogue_db.h"
#include "catalogue/statements.h"
#include "catalogue/widgets/area_selection.h"
#include "catalogue/widgets/genre_tree.h"
#include "web/cp932.h"

namespace vorn::test {

namespace {

void AddTestCatalogue(const std::filesystem::path& database) {
    CatalogueDb db;
    db.Configure(database);
    const auto genre = [&db](int id, int sub, const char* code, const char* name) {
        db.Execute(sql::kInsertGenre, {std::int64_t{id}, std::int64_t{sub}, std::string(code), UTF8ToAnsi(name)});
    };
    genre(1, 1, "sale-fur/g-101", "ソファ");
    genre(1, 2, "sale-fur/g-102", "ベッド");
    genre(1, 3, "sale-fur/g-103", "収納");
    genre(2, 1, "sale-ele/g-201", "テレビ");
    genre(2, 2, "sale-ele/g-202", "冷蔵庫");
    const auto city = [&db](int id, const char* code, const char* name) {
        db.Execute(sql::kInsertCity, {std::int64_t{kTokyo}, std::int64_t{id}, std::string(code), UTF8ToAnsi(name)});
    };
    city(1, "13101", "千代田区");
    city(2, "13102", "中央区");
    city(3, "13103", "港区");
    city(4, "13104", "新宿区");
}

QRect CheckBoxRect(QAbstractItemView* view, const QRect& itemRect) {
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = itemRect;
    option.font = view->font();
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    return view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
}

} // namespace

QString Utf8(const char* text) { return QString::fromUtf8(text); }

WindowTest::WindowTest(bool withDatabase) : programDir(withDatabase) {
    if (withDatabase) {
        AddTestCatalogue(programDir.databaseFile());
    }
}

WindowTest::~WindowTest() {
    window.reset();
    ProcessEvents();
}

void WindowTest::Open() {
    window = std::make_unique<TFrmMain>(programDir.path(), prompt);
    QObject::connect(window.get(), &TFrmMain::terminateRequested, [this] { terminated = true; });
    window->SetCrawlPause(std::chrono::milliseconds(1));
    window->FormCreate();
    window->show();
    ProcessEvents();
}

bool WindowTest::Close() {
    const bool closed = window->close();
    ProcessEvents();
    return closed;
}

void WindowTest::Reopen() {
    window.reset();
    terminated = false;
    Open();
}

void WindowTest::WriteSettings(const std::string& utf8Text) {
    std::ofstream out(programDir.db() / "vrn.ini", std::ios::binary | std::ios::trunc);
    out << UTF8ToAnsi(utf8Text);
}

std::string WindowTest::SettingsText() const {
    std::ifstream in(programDir.db() / "vrn.ini", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return AnsiToUtf8(bytes);
}

bool WindowTest::SettingsExist() const { return std::filesystem::exists(programDir.db() / "vrn.ini"); }

bool WindowTest::WaitUntilIdle(std::chrono::milliseconds limit) {
    QElapsedTimer timer;
    timer.start();
    while (window->btnCancel->isEnabled() && !terminated) {
        if (timer.elapsed() > limit.count()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    ProcessEvents();
    return true;
}

void WindowTest::ProcessEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

void WindowTest::ClickCheckBox(QTreeWidgetItem* item, Qt::MouseButton button) {
    window->TreeView->scrollToItem(item);
    const QRect box = CheckBoxRect(window->TreeView, window->TreeView->visualItemRect(item));
    QTest::mouseClick(window->TreeView->viewport(), button, {}, box.center());
    ProcessEvents();
}

void WindowTest::ClickCheckBox(QListWidgetItem* item) {
    window->clstArea->scrollToItem(item);
    const QRect box = CheckBoxRect(window->clstArea, window->clstArea->visualItemRect(item));
    QTest::mouseClick(window->clstArea->viewport(), Qt::LeftButton, {}, box.center());
    ProcessEvents();
}

void WindowTest::ClickText(QTreeWidgetItem* item, Qt::MouseButton button) {
    window->TreeView->scrollToItem(item);
    const QRect rect = window->TreeView->visualItemRect(item);
    const QRect box = CheckBoxRect(window->TreeView, rect);
    QTest::mouseClick(window->TreeView->viewport(), button, {}, QPoint(box.right() + 30, rect.center().y()));
    ProcessEvents();
}

void WindowTest::PressSpace(QTreeWidgetItem* item) {
    window->TreeView->setCurrentItem(item);
    QTest::keyClick(window->TreeView, Qt::Key_Space);
    ProcessEvents();
}

void WindowTest::PickCombo(int index) {
    window->cmbArea->setCurrentIndex(index);
    emit window->cmbArea->activated(index);
    ProcessEvents();
}

QTreeWidgetItem* WindowTest::Node(int index) const { return window->genreTree().Item(index); }

QListWidgetItem* WindowTest::Area(int index) const { return window->clstArea->item(index); }

bool WindowTest::NodeChecked(int index) const { return window->genreTree().IsNodeChecked(index); }

std::string WindowTest::TreeMarks() const { return window->genreTree().CheckString(); }

std::string WindowTest::AreaMarks() const { return window->areaSelection().CheckString(); }

} // namespace vorn::test
