#include "app/core/messages.h"

#include "web/cp932.h"

namespace vorn::msg {

// Written here in UTF-8 for the reader, handed out in the program's code page.
#define VORN_MESSAGE(name, text)                                                                                       \
    const std::string& name() {                                                                                        \
        static const std::string value = UTF8ToAnsi(text);                                                             \
        return value;                                                                                                  \
    }

VORN_MESSAGE(NoArea, "取得する地域を１つ以上選択してください。")
VORN_MESSAGE(NoGenre, "取得するジャンルを１つ以上選択してください。")
VORN_MESSAGE(NoImageFolder, "商品画像の保存先が指定されていません。")
VORN_MESSAGE(ImageFolderMissing, "指定された商品画像保存フォルダが見つかりません。")
VORN_MESSAGE(OtherRunActive, "他の取得処理が実行中です。\n終了してから再度実行してください。")
VORN_MESSAGE(FileInUse, "選択されたファイルが他のアプリケーションで使用中の為\n開くことができませんでした。")
VORN_MESSAGE(DatabaseMissing, "DBファイルの設定が正しくありません。\n管理者に確認してください。")
VORN_MESSAGE(Fetching, "ページ情報を取得中です。しばらくお待ちください。")
VORN_MESSAGE(RunCompleted, "商品情報の取得が完了しました。\n保存したファイルを開きますか？")
VORN_MESSAGE(NoItemsFound, "条件に該当する商品情報は見つかりませんでした。")
VORN_MESSAGE(NothingNew, "新しい商品情報はありませんでした。")
VORN_MESSAGE(NoChanges, "新しい商品情報や変化はありませんでした。")
VORN_MESSAGE(SiteUnreachable,
             "サイトへのアクセスができませんでした。\r\nしばらく時間を置いてから再度実行してください。")
VORN_MESSAGE(SaveFailed, "取得情報の保存に失敗しました。\n保存先の空き容量や書き込み権限を確認してください。")

VORN_MESSAGE(PagesUnrecognised,
             "サイトのページ形式を認識できませんでした。\nサイトの仕様が変更された可能性があります。")

#undef VORN_MESSAGE

std::string UnrecognisedPagesLine(int resultsPages, int listingPages) {
    return UTF8ToAnsi("形式を認識できなかったページ: 検索結果 " + std::to_string(resultsPages) + "件、商品ページ " +
                      std::to_string(listingPages) + "件");
}

std::string SiteRefused(long httpStatus) {
    return UTF8ToAnsi("サイトにアクセスを拒否されました（HTTP " + std::to_string(httpStatus) +
                      "）。\n時間をおいてから、もう一度お試しください。");
}

std::string RefusedPagesLine(int resultsPages, int listingPages) {
    return UTF8ToAnsi("アクセスを拒否されたページ: 検索結果 " + std::to_string(resultsPages) + "件、商品ページ " +
                      std::to_string(listingPages) + "件");
}

} // namespace vorn::msg
