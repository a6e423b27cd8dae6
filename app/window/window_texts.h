#pragma once

#include <QString>

// The window's fixed texts: captions and messages the user sees, word for word.
namespace vorn::texts {

inline const QString kTitle = QStringLiteral("ヴォルン商品情報取得ソフト");
inline const QString kCaptionError = QStringLiteral("Error");
inline const QString kCaptionSettingsError = QStringLiteral("設定エラー");
inline const QString kCaptionCancel = QStringLiteral("中断確認");
inline const QString kCaptionClose = QStringLiteral("終了確認");
inline const QString kCaptionClear = QStringLiteral("変更確認");
inline const QString kCaptionFinished = QStringLiteral("処理終了");
inline const QString kCaptionNoItems = QStringLiteral("検索終了");

inline const QString kNoDatabase = QStringLiteral("DBファイルの設定が正しくありません。\n管理者に確認してください。");
inline const QString kNoArea = QStringLiteral("取得する地域を１つ以上選択してください。");
inline const QString kNoGenre = QStringLiteral("取得するジャンルを１つ以上選択してください。");
inline const QString kNoImageDir = QStringLiteral("商品画像の保存先が指定されていません。");
inline const QString kImageDirMissing = QStringLiteral("指定された商品画像保存フォルダが見つかりません。");
inline const QString kFileInUse =
    QStringLiteral("選択されたファイルが他のアプリケーションで使用中の為\n開くことができませんでした。");
inline const QString kFetching = QStringLiteral("ページ情報を取得中です。しばらくお待ちください。");
inline const QString kAskCancel = QStringLiteral("取得処理を中断します。\nよろしいですか？");
inline const QString kAskClose = QStringLiteral("取得処理の実行中ですが終了しますか？");
inline const QString kAskClear = QStringLiteral("設定した条件を初期化します。\nよろしいですか？");
inline const QString kAskOpen = QStringLiteral("商品情報の取得が完了しました。\n保存したファイルを開きますか？");
inline const QString kFileNotFound = QStringLiteral("該当するファイルが見つかりませんでした。");
inline const QString kNoItems = QStringLiteral("条件に該当する商品情報は見つかりませんでした。");
inline const QString kSiteUnreachable =
    QStringLiteral("サイトへのアクセスができませんでした。\r\nしばらく時間を置いてから再度実行してください。");
inline const QString kSaveFailed =
    QStringLiteral("取得情報の保存に失敗しました。\n保存先の空き容量や書き込み権限を確認してください。");
inline const QString kCannotWrite = QStringLiteral("%1 に書き込めません");

inline const QString kYesButton = QStringLiteral("はい(&Y)");
inline const QString kNoButton = QStringLiteral("いいえ(&N)");
inline const QString kOkButton = QStringLiteral("OK");

inline const QString kSaveDialogTitle = QStringLiteral("取得情報の保存先を指定してください");
inline const QString kSaveDialogFilter = QStringLiteral("CSVファイル (*.csv)");
inline const QString kFolderDialogTitle = QStringLiteral("画像の保存先フォルダを指定して下さい。");
inline const QString kImageHint = QStringLiteral("商品画像を含めて取得する場合は取得時間が増加します。");
inline const QString kDefaultFileName = QStringLiteral("ヴォルン商品リスト.csv");

} // namespace vorn::texts
