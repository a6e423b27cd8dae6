#pragma once

#include <chrono>
#include <memory>
#include <string>

#include <QRect>

#include <gtest/gtest.h>

#include "app/window/main_window.h"
#include "tests/support/test_program_dir.h"
#include "tests/window/scripted_prompt.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"

class QAbstractItemView;
class QListWidgetItem;
class QTreeWidgetItem;

namespace vorn::test {

// The test catalogue's genre tree, by absolute node index: the shipped 20 genres, with three
// sub-genres under 家具 and two under 家電.
namespace node {
inline constexpr int kFurniture = 0;     // 家具
inline constexpr int kSofa = 1;          //   ソファ
inline constexpr int kBed = 2;           //   ベッド
inline constexpr int kShelf = 3;         //   収納
inline constexpr int kElectric = 4;      // 家電
inline constexpr int kTelevision = 5;    //   テレビ
inline constexpr int kFridge = 6;        //   冷蔵庫
inline constexpr int kBicycle = 7;       // 自転車 (no sub-genres)
inline constexpr int kCount = 25;
} // namespace node

// Tokyo (combo item 13) has four cities in the test catalogue.
inline constexpr int kTokyo = 13;
inline constexpr int kTokyoCities = 4;

// A real TFrmMain on a temporary program folder, with the dialogs answered by the test.
class WindowTest : public ::testing::Test {
protected:
    explicit WindowTest(bool withDatabase = true);
    ~WindowTest() override;

    // The window as the program starts it: constructed, FormCreate, shown, AfterShow run.
    void Open();
    // Closes the window as the user would; true when it closed.
    bool Close();
    void Reopen();

    // db/vrn.ini from UTF-8 text (stored as CP932), and read back as UTF-8.
    void WriteSettings(const std::string& utf8Text);
    std::string SettingsText() const;
    bool SettingsExist() const;

    // Runs the event loop until the window is idle again (or the program was told to end).
    bool WaitUntilIdle(std::chrono::milliseconds limit = std::chrono::seconds(60));
    void ProcessEvents();

    // The user's own acts on the item views.
    void ClickCheckBox(QTreeWidgetItem* item, Qt::MouseButton button = Qt::LeftButton);
    void ClickCheckBox(QListWidgetItem* item);
    void ClickText(QTreeWidgetItem* item, Qt::MouseButton button = Qt::LeftButton);
    void PressSpace(QTreeWidgetItem* item);
    void PickCombo(int index);
    QTreeWidgetItem* Node(int index) const;
    QListWidgetItem* Area(int index) const;
    bool NodeChecked(int index) const;
    std::string TreeMarks() const;
    std::string AreaMarks() const;

    TestProgramDir programDir;
    ScriptedPrompt prompt;
    std::unique_ptr<TFrmMain> window;
    bool terminated = false;
};

// A window whose settings point it at a sample site of 30 listings on 127.0.0.1.
class SiteWindowTest : public WindowTest {
protected:
    // Serves the site and writes the settings' [Site] section; opening the window is the caller's.
    void ServeSite() {
        site::SiteConfig config;
        config.listingCount = 30;
        content = site::ServeContent(site, config);
        WriteSettings("[Site]\r\nBaseUrl=" + site.baseUrl() + "\r\nCaFile=" + site::SampleSite::CaFile().string() +
                      "\r\n");
    }

    site::SampleSite site;
    std::shared_ptr<site::SiteContent> content;
};

// The same without the database file.
class WindowWithoutDatabaseTest : public WindowTest {
protected:
    WindowWithoutDatabaseTest() : WindowTest(false) {}
};

QString Utf8(const char* text);

} // namespace vorn::test
