#include "app/window/options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "app/core/filter_settings.h"
#include "app/window/notify_dialog.h"
#include "app/window/prompt.h"
#include "app/window/schedule_box.h"
#include "app/window/window_texts.h"
#include "catalogue/widgets/qt_text.h"
#include "web/cp932.h"
#include "web/fetch_retry.h"

namespace vorn {

namespace {

template <typename Control>
Control* Make(const char* name) {
    auto* control = new Control;
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QLabel* Label(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QPlainTextEdit* LinesEdit(const char* name) {
    auto* edit = Make<QPlainTextEdit>(name);
    // Tab moves on, so that the dialog can be used from the keyboard alone.
    edit->setTabChangesFocus(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setFixedHeight(56);
    return edit;
}

QString Lines(const std::vector<std::string>& items) {
    QStringList lines;
    for (const std::string& item : items) {
        lines << FromCp932(item);
    }
    return lines.join(QLatin1Char('\n'));
}

QString Price(const std::optional<long long>& yen) { return yen ? QString::number(*yen) : QString(); }

} // namespace

OptionsDialog::OptionsDialog(std::filesystem::path settingsPath, Prompt& prompt, WindowConditions window,
                             QWidget* parent)
    : QDialog(parent), settingsPath_(std::move(settingsPath)), prompt_(prompt), window_(std::move(window)) {
    setObjectName(QStringLiteral("OptionsDialog"));
    setWindowTitle(texts::kOptionsTitle);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // A window takes no font from its owner by itself: the main window's Japanese face.
    if (parent != nullptr) {
        setFont(parent->font());
    }
    CreateControls();

    const ProfileFile file(settingsPath_);
    // A value no run takes shows as the default, and OK writes it over.
    ShowOptions(ReadWriteMode(file).mode, ReadFilterSettings(file).settings);
    spnRetries->setValue(ReadSiteSettings(file).retries);
    ListSaved();
    ShowSchedule({});
}

void OptionsDialog::CreateControls() {
    rdoAll = Make<QRadioButton>("rdoAll");
    rdoNewOnly = Make<QRadioButton>("rdoNewOnly");
    rdoChangesOnly = Make<QRadioButton>("rdoChangesOnly");
    rdoAll->setText(texts::kModeAll);
    rdoNewOnly->setText(texts::kModeNewOnly);
    rdoChangesOnly->setText(texts::kModeChangesOnly);
    auto* modeBox = new QGroupBox(QStringLiteral("取得する商品"));
    auto* modeLayout = new QVBoxLayout(modeBox);
    for (QRadioButton* button : {rdoAll, rdoNewOnly, rdoChangesOnly}) {
        modeLayout->addWidget(button);
    }

    txtExclude = LinesEdit("txtExclude");
    txtMinPrice = Make<QLineEdit>("txtMinPrice");
    txtMaxPrice = Make<QLineEdit>("txtMaxPrice");
    for (QLineEdit* price : {txtMinPrice, txtMaxPrice}) {
        price->setAttribute(Qt::WA_InputMethodEnabled, false);
        price->setMaxLength(12);
        price->setFixedWidth(80);
    }
    chkOpenOnly = Make<QCheckBox>("chkOpenOnly");
    chkOpenOnly->setText(texts::kOpenOnly);
    txtPosters = LinesEdit("txtPosters");
    auto* filterBox = new QGroupBox(QStringLiteral("除外条件"));
    auto* filterLayout = new QGridLayout(filterBox);
    filterLayout->addWidget(Label(QStringLiteral("除外する語（1行に1語）(&E)"), txtExclude), 0, 0, 1, 2);
    filterLayout->addWidget(txtExclude, 1, 0, 1, 2);
    auto* priceRow = new QHBoxLayout;
    priceRow->addWidget(Label(QStringLiteral("最低価格(&G)"), txtMinPrice));
    priceRow->addWidget(txtMinPrice);
    priceRow->addWidget(new QLabel(QStringLiteral("円 〜")));
    priceRow->addWidget(Label(QStringLiteral("最高価格(&U)"), txtMaxPrice));
    priceRow->addWidget(txtMaxPrice);
    priceRow->addWidget(new QLabel(QStringLiteral("円")));
    priceRow->addStretch();
    filterLayout->addLayout(priceRow, 2, 0, 1, 2);
    filterLayout->addWidget(chkOpenOnly, 3, 0, 1, 2);
    filterLayout->addWidget(Label(QStringLiteral("除外する出品者（1行に1件）(&X)"), txtPosters), 4, 0, 1, 2);
    filterLayout->addWidget(txtPosters, 5, 0, 1, 2);

    spnRetries = Make<QSpinBox>("spnRetries");
    spnRetries->setRange(0, kMostRetries);
    auto* retriesRow = new QHBoxLayout;
    retriesRow->addWidget(Label(QStringLiteral("応答がないときの再試行回数(&T)"), spnRetries));
    retriesRow->addWidget(spnRetries);
    retriesRow->addStretch();
    btnNotify = Make<QPushButton>("btnNotify");
    btnNotify->setText(texts::kNotifyButton);
    btnNotify->setAutoDefault(false);
    retriesRow->addWidget(btnNotify);

    lstSaved = Make<QListWidget>("lstSaved");
    lstSaved->setSelectionMode(QAbstractItemView::SingleSelection);
    lstSaved->setMinimumWidth(180);
    txtSavedName = Make<QLineEdit>("txtSavedName");
    txtSavedName->setMaxLength(40);
    btnSave = Make<QPushButton>("btnSave");
    btnLoad = Make<QPushButton>("btnLoad");
    btnDelete = Make<QPushButton>("btnDelete");
    btnSave->setText(QStringLiteral("保存(&S)"));
    btnLoad->setText(QStringLiteral("読み込み(&L)"));
    btnDelete->setText(QStringLiteral("削除(&D)"));
    auto* savedBox = new QGroupBox(QStringLiteral("保存した検索"));
    auto* savedLayout = new QVBoxLayout(savedBox);
    savedLayout->addWidget(Label(QStringLiteral("一覧(&I)"), lstSaved));
    savedLayout->addWidget(lstSaved);
    savedLayout->addWidget(Label(QStringLiteral("保存名(&M)"), txtSavedName));
    savedLayout->addWidget(txtSavedName);
    schedule = new ScheduleBox(prompt_);
    savedLayout->addWidget(schedule);
    auto* savedButtons = new QHBoxLayout;
    for (QPushButton* button : {btnSave, btnLoad, btnDelete}) {
        button->setAutoDefault(false);
        savedButtons->addWidget(button);
    }
    savedLayout->addLayout(savedButtons);

    // Set on the buttons themselves, as the message boxes' are.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    btnOk = buttons->button(QDialogButtonBox::Ok);
    btnCancel = buttons->button(QDialogButtonBox::Cancel);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnOk->setText(texts::kOkButton);
    btnCancel->setText(texts::kCancelButton);
    btnOk->setDefault(true);

    auto* left = new QVBoxLayout;
    left->addWidget(modeBox);
    left->addWidget(filterBox);
    left->addLayout(retriesRow);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addWidget(savedBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);
    connect(btnSave, &QPushButton::clicked, this, &OptionsDialog::btnSaveClick);
    connect(btnLoad, &QPushButton::clicked, this, &OptionsDialog::btnLoadClick);
    connect(btnDelete, &QPushButton::clicked, this, &OptionsDialog::btnDeleteClick);
    connect(btnNotify, &QPushButton::clicked, this, &OptionsDialog::btnNotifyClick);
    connect(lstSaved, &QListWidget::currentTextChanged, txtSavedName, &QLineEdit::setText);
    connect(lstSaved, &QListWidget::currentTextChanged, this, &OptionsDialog::ShowSchedule);
    connect(lstSaved, &QListWidget::itemActivated, this, &OptionsDialog::btnLoadClick);

    // The order a person reads them in: the options, then the saved searches, then OK.
    QWidget* const order[] = {rdoAll,      rdoNewOnly, rdoChangesOnly, txtExclude, txtMinPrice, txtMaxPrice,
                              chkOpenOnly, txtPosters, spnRetries,     btnNotify,  lstSaved,    txtSavedName,
                              btnSave,     btnLoad,    btnDelete,      btnOk,      btnCancel};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    // The saved search's output and time after its name.
    QWidget* const scheduleOrder[] = {txtSavedName, schedule->txtOutput, schedule->btnOutput, schedule->chkSchedule,
                                      schedule->timSchedule};
    for (std::size_t i = 1; i < std::size(scheduleOrder); ++i) {
        setTabOrder(scheduleOrder[i - 1], scheduleOrder[i]);
    }
}

void OptionsDialog::ShowOptions(WriteMode mode, const FilterSettings& filter) {
    (mode == WriteMode::NewOnly       ? rdoNewOnly
     : mode == WriteMode::ChangesOnly ? rdoChangesOnly
                                      : rdoAll)
        ->setChecked(true);
    txtExclude->setPlainText(Lines(filter.excludeWords));
    txtMinPrice->setText(Price(filter.minPrice));
    txtMaxPrice->setText(Price(filter.maxPrice));
    chkOpenOnly->setChecked(filter.openOnly);
    txtPosters->setPlainText(Lines(filter.excludePosters));
}

void OptionsDialog::Refuse(const QString& text, QWidget* field) {
    prompt_.Information(this, text, texts::kCaptionError);
    if (field != nullptr) {
        field->setFocus();
    }
}

void OptionsDialog::CannotWrite() {
    prompt_.Error(this, texts::kCannotWrite.arg(QFile::decodeName(QByteArray::fromStdString(settingsPath_.native()))));
}

std::optional<OptionsDialog::Options> OptionsDialog::ReadOptions() {
    Options options;
    options.mode = rdoNewOnly->isChecked()       ? WriteMode::NewOnly
                   : rdoChangesOnly->isChecked() ? WriteMode::ChangesOnly
                                                 : WriteMode::All;
    // One a line; the file keeps them separated by ",", so none may hold one.
    const auto lines = [this](QPlainTextEdit* edit, const QString& field, std::vector<std::string>& items) -> bool {
        for (const QString& line : edit->toPlainText().split(QLatin1Char('\n'))) {
            const QString item = line.trimmed();
            if (item.contains(QLatin1Char(',')) || item.contains(QChar(0xFF0C))) {
                Refuse(texts::kNoComma.arg(field), edit);
                return false;
            }
            if (!item.isEmpty()) {
                items.push_back(ToCp932(item));
            }
        }
        return true;
    };
    // Whole yen; full-width digits, thousands commas and a closing 円 are read as typed.
    const auto price = [this](QLineEdit* edit, const QString& field, std::optional<long long>& yen) -> bool {
        QString text = edit->text().normalized(QString::NormalizationForm_KC).trimmed();
        text.remove(QLatin1Char(','));
        if (text.endsWith(QStringLiteral("円"))) {
            text.chop(1);
        }
        if (text.isEmpty()) {
            return true;
        }
        bool whole = false;
        const long long number = text.toLongLong(&whole);
        if (!whole || number < 0 || text.startsWith(QLatin1Char('+'))) {
            Refuse(texts::kNotWholeYen.arg(field), edit);
            return false;
        }
        yen = number;
        return true;
    };
    FilterSettings& filter = options.filter;
    if (!lines(txtExclude, texts::kFieldExclude, filter.excludeWords) ||
        !price(txtMinPrice, texts::kFieldMinPrice, filter.minPrice) ||
        !price(txtMaxPrice, texts::kFieldMaxPrice, filter.maxPrice)) {
        return std::nullopt;
    }
    if (filter.minPrice && filter.maxPrice && *filter.minPrice > *filter.maxPrice) {
        Refuse(texts::kMinAboveMax, txtMinPrice);
        return std::nullopt;
    }
    filter.openOnly = chkOpenOnly->isChecked();
    if (!lines(txtPosters, texts::kFieldPosters, filter.excludePosters)) {
        return std::nullopt;
    }
    return options;
}

void OptionsDialog::accept() {
    const std::optional<Options> options = ReadOptions();
    if (!options) {
        return;
    }
    ProfileFile file(settingsPath_);
    if (!WriteWriteMode(file, options->mode) || !WriteFilterSettings(file, options->filter) ||
        !file.WriteString("Site", "Retries", std::to_string(spnRetries->value()))) {
        CannotWrite();
        return;
    }
    QDialog::accept();
}

void OptionsDialog::ListSaved(const QString& select) {
    lstSaved->clear();
    for (const std::string& name : SavedSearchNames(ProfileFile(settingsPath_))) {
        lstSaved->addItem(FromCp932(name));
    }
    const auto found = lstSaved->findItems(select, Qt::MatchFixedString);
    if (!select.isEmpty() && !found.isEmpty()) {
        lstSaved->setCurrentItem(found.constFirst());
    }
}

void OptionsDialog::btnSaveClick() {
    const std::string name = ToCp932(txtSavedName->text().trimmed());
    if (!SavedNameRefusal(name).empty()) {
        Refuse(name.empty() ? texts::kNoName : texts::kBadName, txtSavedName);
        return;
    }
    const std::optional<Options> options = ReadOptions();
    if (!options) {
        return;
    }
    ProfileFile file(settingsPath_);
    const SavedSearchRead existing = ReadSavedSearch(file, name);
    if (const QString refusal = schedule->Refusal(); !refusal.isEmpty()) {
        Refuse(refusal, schedule->txtOutput);
        return;
    }
    if (existing.search && !prompt_.Question(this, texts::kAskOverwrite.arg(FromCp932(existing.search->name)),
                                             texts::kCaptionClear, false)) {
        return;
    }
    SavedSearch search;
    // An existing search keeps its own spelling of the name.
    search.name = existing.search ? existing.search->name : name;
    search.conditions = window_.current();
    search.filter = options->filter;
    search.mode = options->mode;
    schedule->ReadInto(search);
    const ScheduleReport report = SaveScheduledSearch(file, search, TerminalProgramPath(), UserUnitDir());
    ListSaved(FromCp932(search.name));
    TellSchedule(report);
}

void OptionsDialog::btnLoadClick() {
    const QListWidgetItem* item = lstSaved->currentItem();
    if (item == nullptr) {
        Refuse(texts::kNoSavedChosen, lstSaved);
        return;
    }
    const SavedSearchRead read = ReadSavedSearch(ProfileFile(settingsPath_), ToCp932(item->text()));
    if (!read.search || !read.refusal.empty()) {
        Refuse(texts::kSavedUnreadable.arg(item->text(), FromCp932(read.refusal)), lstSaved);
        return;
    }
    window_.apply(read.search->conditions);
    ShowOptions(read.search->mode, read.search->filter);
    schedule->ShowSearch(*read.search);
    txtSavedName->setText(item->text());
}

void OptionsDialog::btnDeleteClick() {
    const QListWidgetItem* item = lstSaved->currentItem();
    if (item == nullptr) {
        Refuse(texts::kNoSavedChosen, lstSaved);
        return;
    }
    const QString name = item->text();
    if (!prompt_.Question(this, texts::kAskDelete.arg(name), texts::kCaptionClear, false)) {
        return;
    }
    ProfileFile file(settingsPath_);
    if (!DeleteSavedSearch(file, ToCp932(name))) {
        CannotWrite();
        return;
    }
    const ScheduleReport report = RemoveScheduleOf(ToCp932(name), UserUnitDir());
    txtSavedName->clear();
    ListSaved();
    TellSchedule(report);
}

void OptionsDialog::ShowSchedule(const QString& name) {
    const ProfileFile file(settingsPath_);
    const SavedSearchRead read = ReadSavedSearch(file, ToCp932(name));
    schedule->ShowSearch(!name.isEmpty() && read.search ? *read.search : SavedSearch{});
    schedule->ShowStatus(ScheduleStatusText(file, settingsPath_.parent_path().parent_path(), std::time(nullptr)));
}

void OptionsDialog::TellSchedule(const ScheduleReport& report) {
    if (report.programMissing) {
        prompt_.Error(this, QStringLiteral("自動実行するプログラムが見つかりません: %1")
                                .arg(QFile::decodeName(QByteArray::fromStdString(TerminalProgramPath()))));
        return;
    }
    if (!report.failedFile.empty()) {
        prompt_.Error(this, texts::kCannotWrite.arg(QFile::decodeName(QByteArray::fromStdString(report.failedFile))));
        return;
    }
    if (report.unitsWritten && !report.managerAnswered) {
        const ProfileFile file(settingsPath_);
        schedule->ShowStatus(ScheduleStatusText(file, settingsPath_.parent_path().parent_path(), std::time(nullptr)) +
                             UTF8ToAnsi("\n（サービスマネージャーが応答しないため、次回のログインから有効）"));
    }
}

void OptionsDialog::btnNotifyClick() {
    // Its own OK writes [Notify]; this dialog's OK and キャンセル leave that section alone.
    NotifyDialog dialog(settingsPath_.parent_path().parent_path(), prompt_, this);
    dialog.exec();
}

} // namespace vorn
