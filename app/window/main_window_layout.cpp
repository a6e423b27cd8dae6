#include "app/window/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>

#include "app/window/run_file_rules.h"
#include "app/window/window_texts.h"

namespace vorn {

namespace {

template <typename Control>
Control* Make(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* control = new Control(parent);
    control->setObjectName(QString::fromLatin1(name));
    if constexpr (requires { control->setText(text); }) {
        if (!text.isEmpty()) {
            control->setText(text);
        }
    }
    return control;
}

QFont JapaneseFont(const QStringList& families, int pixels) {
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixels);
    return font;
}

// The designed faces first; the IPA faces stand in where they are not installed.
const QStringList kProportionalGothic = {QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                                         QStringLiteral("IPAGothic")};
const QStringList kFixedGothic = {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic")};

} // namespace

void TFrmMain::CreateControls() {
    chkArea = Make<QCheckBox>(this, "chkArea", QStringLiteral(" 地域選択"));
    cmbArea = Make<QComboBox>(this, "cmbArea");
    cmbArea->setMaxVisibleItems(20);
    clstArea = Make<QListWidget>(this, "clstArea");
    clstArea->setAttribute(Qt::WA_InputMethodEnabled, false);
    clstArea->setUniformItemSizes(true);

    grp01 = Make<QGroupBox>(this, "grp01");
    grp01->setTitle(QStringLiteral(" 商品画像の取得設定 "));
    chkImgSave = Make<QCheckBox>(grp01, "chkImgSave", QStringLiteral(" 商品画像を保存する"));
    txtDirPath = Make<QLineEdit>(grp01, "txtDirPath", InitialImageFolder());
    txtDirPath->setAttribute(Qt::WA_InputMethodEnabled, false);
    txtDirPath->setEnabled(false);
    btnDirPath = Make<QPushButton>(grp01, "btnDirPath", QStringLiteral("..."));
    btnDirPath->setEnabled(false);
    img01 = Make<QLabel>(grp01, "img01");
    img01->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16));
    img01->setAlignment(Qt::AlignCenter);

    chkItem = Make<QCheckBox>(this, "chkItem", QStringLiteral(" ジャンル選択"));
    TreeView = Make<QTreeWidget>(this, "TreeView");
    TreeView->setHeaderHidden(true);
    TreeView->setColumnCount(1);
    TreeView->setIndentation(15);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView->setAttribute(Qt::WA_InputMethodEnabled, false);
    spbExpand = Make<QToolButton>(this, "spbExpand", QStringLiteral("-"));
    spbExpand->setProperty("tag", 1);
    spbCollapse = Make<QToolButton>(this, "spbCollapse", QStringLiteral("+"));
    spbCollapse->setProperty("tag", 2);
    for (QToolButton* button : {spbExpand, spbCollapse}) {
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
    }

    lblWord = Make<QLabel>(this, "lblWord", QStringLiteral("キーワード :"));
    txtWord = Make<QLineEdit>(this, "txtWord");
    txtWord->setMaxLength(30);
    btnAction = Make<QPushButton>(this, "btnAction", QStringLiteral("取得開始 (&R)"));
    btnClear = Make<QPushButton>(this, "btnClear", QStringLiteral("クリア (&N)"));
    btnCancel = Make<QPushButton>(this, "btnCancel", QStringLiteral("キャンセル (&C)"));
    btnCancel->setEnabled(false);
    btnOption = Make<QPushButton>(this, "btnOption", texts::kOptionsButton);
    btnHistory = Make<QPushButton>(this, "btnHistory", texts::kHistoryButton);
    prgBar = Make<QProgressBar>(this, "prgBar");
    prgBar->setRange(0, 100);
    prgBar->setValue(0);
    prgBar->setTextVisible(false);
    lblStatus = Make<QLabel>(this, "lblStatus", QStringLiteral("\u3000\u3000"));
    // It shows area and genre names that came from the site: never read them as markup.
    lblStatus->setTextFormat(Qt::PlainText);
    lblStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // Maintenance commands: present, never shown.
    btnUpdateArea = Make<QPushButton>(this, "btnUpdateArea", QStringLiteral("ｴﾘｱ"));
    btnUpdateGunre = Make<QPushButton>(this, "btnUpdateGunre", QStringLiteral("ｶﾃ"));
    for (QPushButton* button : {btnUpdateArea, btnUpdateGunre}) {
        button->setVisible(false);
        button->setEnabled(false);
        button->setFocusPolicy(Qt::NoFocus);
    }
    txtWord->installEventFilter(this);
    txtDirPath->installEventFilter(this);
    img01->installEventFilter(this);
}

void TFrmMain::PlaceControls() {
    btnUpdateArea->setGeometry(180, 0, 27, 17);
    btnUpdateGunre->setGeometry(208, 0, 27, 17);

    chkArea->setGeometry(12, 8, 150, 18);
    cmbArea->setGeometry(12, 30, 216, 22);
    clstArea->setGeometry(12, 56, 216, 196);

    chkItem->setGeometry(244, 8, 150, 18);
    spbCollapse->setGeometry(424, 9, 15, 15);
    spbExpand->setGeometry(441, 9, 15, 15);
    TreeView->setGeometry(244, 30, 212, 222);

    lblWord->setGeometry(12, 263, 72, 20);
    txtWord->setGeometry(88, 261, 368, 22);

    grp01->setGeometry(12, 290, 444, 64);
    chkImgSave->setGeometry(10, 18, 200, 18);
    img01->setGeometry(417, 18, 17, 17);
    txtDirPath->setGeometry(10, 38, 384, 20);
    btnDirPath->setGeometry(398, 37, 36, 22);

    btnAction->setGeometry(186, 361, 88, 24);
    btnClear->setGeometry(277, 361, 88, 24);
    btnCancel->setGeometry(368, 361, 88, 24);
    // Left of the run buttons, where the window had room.
    btnOption->setGeometry(12, 361, 104, 24);
    btnHistory->setGeometry(118, 361, 64, 24);

    lblStatus->setGeometry(12, 388, 444, 16);
    prgBar->setGeometry(0, 405, 468, 16);
}

void TFrmMain::SetFonts() {
    setFont(JapaneseFont(kProportionalGothic, 12));
    clstArea->setFont(JapaneseFont(kProportionalGothic, 13));
    TreeView->setFont(JapaneseFont(kProportionalGothic, 13));
    txtDirPath->setFont(JapaneseFont(kFixedGothic, 12));
}

void TFrmMain::SetTabOrder() {
    QWidget* const order[] = {chkArea,  cmbArea, clstArea,  chkImgSave, txtDirPath, btnDirPath, chkItem,
                              TreeView, txtWord, btnAction, btnClear,   btnCancel,  btnOption,  btnHistory};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
}

} // namespace vorn
