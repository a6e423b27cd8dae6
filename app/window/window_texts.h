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

inline const QString kSaveDialogTitle = QStringLiteral("取得情報の保存先を指定してください");
inline const QString kSaveDialogFilter = QStringLiteral("CSVファイル (*.csv)");
inline const QString kSaveDialogFilterUtf8 = QStringLiteral("CSVファイル UTF-8 (*.csv)");
inline const QString kSaveDialogFilterWorkbook = QStringLiteral("Excelブック (*.xlsx)");
inline const QString kFolderDialogTitle = QStringLiteral("画像の保存先フォルダを指定して下さい。");
inline const QString kImageHint = QStringLiteral("商品画像を含めて取得する場合は取得時間が増加します。");
inline const QString kDefaultFileName = QStringLiteral("ヴォルン商品リスト.csv");

} // namespace vorn::texts
