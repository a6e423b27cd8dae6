#pragma once

#include <string>

// The texts both programs show the user, as CP932 bytes; "\n" is a line feed.
namespace vorn::msg {

const std::string& NoArea();              // 取得する地域を１つ以上選択してください。
const std::string& NoGenre();             // 取得するジャンルを１つ以上選択してください。
const std::string& NoImageFolder();       // 商品画像の保存先が指定されていません。
const std::string& ImageFolderMissing();  // 指定された商品画像保存フォルダが見つかりません。
const std::string& FileInUse();           // 選択されたファイルが他のアプリケーションで使用中の為\n...
const std::string& DatabaseMissing();     // DBファイルの設定が正しくありません。\n管理者に確認してください。
const std::string& Fetching();            // ページ情報を取得中です。しばらくお待ちください。
const std::string& RunCompleted();        // 商品情報の取得が完了しました。\n保存したファイルを開きますか？
const std::string& NoItemsFound();        // 条件に該当する商品情報は見つかりませんでした。
const std::string& SiteUnreachable();     // サイトへのアクセスができませんでした。\r\n...
const std::string& SaveFailed();          // 取得情報の保存に失敗しました。\n...

} // namespace vorn::msg
