#pragma once

#include <QString>

// The texts only the window shows: captions, its questions, its dialogs' titles and buttons. The
// messages both programs show are in app/core/messages.h.
namespace vorn::texts {

inline const QString kTitle = QStringLiteral("ヴォルン商品情報取得ソフト");
inline const QString kCaptionError = QStringLiteral("Error");
inline const QString kCaptionSettingsError = QStringLiteral("設定エラー");
inline const QString kCaptionCancel = QStringLiteral("中断確認");
inline const QString kCaptionClose = QStringLiteral("終了確認");
inline const QString kCaptionClear = QStringLiteral("変更確認");
inline const QString kCaptionFinished = QStringLiteral("処理終了");
inline const QString kCaptionNoItems = QStringLiteral("検索終了");

inline const QString kAskCancel = QStringLiteral("取得処理を中断します。\nよろしいですか？");
inline const QString kAskClose = QStringLiteral("取得処理の実行中ですが終了しますか？");
inline const QString kAskClear = QStringLiteral("設定した条件を初期化します。\nよろしいですか？");
inline const QString kFileNotFound = QStringLiteral("該当するファイルが見つかりませんでした。");
inline const QString kCannotWrite = QStringLiteral("%1 に書き込めません");

inline const QString kYesButton = QStringLiteral("はい(&Y)");
inline const QString kNoButton = QStringLiteral("いいえ(&N)");
inline const QString kOkButton = QStringLiteral("OK");
inline const QString kCancelButton = QStringLiteral("キャンセル");

// The options dialog: the listings a run writes, the filters, retries, and the saved searches.
inline const QString kOptionsTitle = QStringLiteral("取得オプション");
inline const QString kOptionsButton = QStringLiteral("オプション(&O)...");
inline const QString kModeAll = QStringLiteral("すべて(&A)");
inline const QString kModeNewOnly = QStringLiteral("前回までに取得していない商品のみ(&W)");
inline const QString kModeChangesOnly = QStringLiteral("新着・変化のあった商品のみ(&H)");
inline const QString kFieldExclude = QStringLiteral("除外する語");
inline const QString kFieldMinPrice = QStringLiteral("最低価格");
inline const QString kFieldMaxPrice = QStringLiteral("最高価格");
inline const QString kFieldPosters = QStringLiteral("除外する出品者");
inline const QString kOpenOnly = QStringLiteral("受付終了を除く(&F)");
inline const QString kNotWholeYen = QStringLiteral("%1には円単位の整数を入力してください。");
inline const QString kMinAboveMax = QStringLiteral("最低価格が最高価格を上回っています。");
inline const QString kNoComma = QStringLiteral("%1に「,」は使えません。");
inline const QString kNoName = QStringLiteral("保存名を入力してください。");
inline const QString kBadName = QStringLiteral("保存名に「]」や制御文字は使えません。");
inline const QString kNoSavedChosen = QStringLiteral("保存した検索を一覧から選んでください。");
inline const QString kSavedUnreadable = QStringLiteral("保存した検索「%1」を読み込めません。\n%2");
inline const QString kAskOverwrite = QStringLiteral("保存した検索「%1」を上書きします。\nよろしいですか？");
inline const QString kAskDelete = QStringLiteral("保存した検索「%1」を削除します。\nよろしいですか？");

// The alerts' channels, opened from the options dialog.
inline const QString kNotifyTitle = QStringLiteral("通知設定");
inline const QString kNotifyButton = QStringLiteral("通知設定(&N)...");

inline const QString kSaveDialogTitle = QStringLiteral("取得情報の保存先を指定してください");
inline const QString kSaveDialogFilter = QStringLiteral("CSVファイル (*.csv)");
inline const QString kSaveDialogFilterUtf8 = QStringLiteral("CSVファイル UTF-8 (*.csv)");
inline const QString kSaveDialogFilterWorkbook = QStringLiteral("Excelブック (*.xlsx)");
inline const QString kFolderDialogTitle = QStringLiteral("画像の保存先フォルダを指定して下さい。");
inline const QString kImageHint = QStringLiteral("商品画像を含めて取得する場合は取得時間が増加します。");
inline const QString kDefaultFileName = QStringLiteral("ヴォルン商品リスト.csv");

// The history dialog: the runs the store keeps and their rows.
inline const QString kHistoryButton = QStringLiteral("履歴(&H)...");
inline const QString kHistoryTitle = QStringLiteral("取得履歴");
inline const QString kAutomaticRun = QStringLiteral("（自動）");
inline const QString kHistoryFilePrefix = QStringLiteral("取得履歴_");
inline const QString kHistorySaveTitle = QStringLiteral("書き出し先を指定してください");
inline const QString kHistoryWritten = QStringLiteral("%1 行を書き出しました。\n%2");
inline const QString kHistoryNoneBefore = QStringLiteral("%1 より前の取得履歴はありません。");
inline const QString kAskForgetHistory = QStringLiteral("%1 より前の取得履歴 %2 件を削除します。\nよろしいですか？");
inline const QString kHistoryUnreadable = QStringLiteral("取得履歴を読み込めません。\n%1");

} // namespace vorn::texts
