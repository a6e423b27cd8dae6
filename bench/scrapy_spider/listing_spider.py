"""The measuring stick for bench/side_by_side.sh: a plain Scrapy spider doing the program's work.

It reads the same results pages, follows the same item links and writes the same 25 values per
listing into a CP932 CSV file, one request at a time with a fixed 0.3 s download delay. It is
written the way a Scrapy user would write it (selectors, the page data read as JSON, the feed
exporter), not tuned to win or to lose.

    scrapy runspider listing_spider.py -a searches=SEARCH_URLS.txt -O peer.csv:csv

SEARCH_URLS.txt holds the results pages to read, one address a line.
"""

import json
import re

import scrapy

TITLES = [
    "投稿ID", "商品名", "商品説明", "価格", "受付有無", "ジャンル", "取引・受け渡し場所", "投稿者名",
    "投稿者性別", "投稿数", "認証", "紹介文", "良い評価", "普通評価", "悪い評価", "お気に入り登録数",
    "ページ更新日", "ページ作成日", "商品画像URL1", "商品画像URL2", "商品画像URL3", "商品画像URL4",
    "商品画像URL5", "投稿者プロフィールページURL", "詳細ページURL",
]


def joined(texts):
    """Text nodes of an element as one line, the page's own line breaks dropped."""
    return "".join(text.strip("\r\n") for text in texts).strip()


def cleaned(value):
    # As the program writes it: an ideographic or no-break space becomes a plain one, and what
    # CP932 cannot hold becomes "?".
    value = value.replace("\u3000", " ").replace("\xa0", " ").strip()
    return value.encode("cp932", "replace").decode("cp932")


def info_cell(response, *labels):
    for label in labels:
        cell = response.xpath(f'//td[@class="p-article-info-label" and text()="{label}"]/following-sibling::td[1]')
        if cell:
            return cell
    return None


class ListingSpider(scrapy.Spider):
    name = "listings"
    custom_settings = {
        "DOWNLOAD_DELAY": 0.3,
        "RANDOMIZE_DOWNLOAD_DELAY": False,
        "CONCURRENT_REQUESTS": 1,
        "CONCURRENT_REQUESTS_PER_DOMAIN": 1,
        "AUTOTHROTTLE_ENABLED": False,
        "ROBOTSTXT_OBEY": False,
        "COOKIES_ENABLED": False,
        "RETRY_ENABLED": False,
        "TELNETCONSOLE_ENABLED": False,
        "COMPRESSION_ENABLED": False,
        "LOG_LEVEL": "WARNING",
        "FEED_EXPORT_ENCODING": "cp932",
        "FEED_EXPORT_FIELDS": TITLES,
        # Pages in the order the results page lists them, as the program reads them.
        "SCHEDULER_MEMORY_QUEUE": "scrapy.squeues.FifoMemoryQueue",
        "USER_AGENT": "Mozilla/5.0 (Windows NT 6.2; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
                      "Chrome/52.0.2743.116 Safari/537.36 Edge/15.15063",
        "DEFAULT_REQUEST_HEADERS": {
            "Accept": "text/html, application/xhtml+xml, image/jxr, */*",
            "Accept-Language": "ja-JP",
        },
    }

    def __init__(self, searches, **kwargs):
        super().__init__(**kwargs)
        with open(searches, encoding="utf-8") as lines:
            self.start_urls = [line.strip() for line in lines if line.strip()]

    def parse(self, response):
        total_text = joined(response.css("span.p-articles-title-sub ::text").getall())
        total = int(re.sub(r"[全件,]", "", total_text) or 0)
        if total <= 0:
            return
        links = response.css("ul.p-articles-list")[0].css("a.p-item-image-link::attr(href)").getall()
        for link in links[:total]:
            yield scrapy.Request(link, callback=self.parse_item)

    def parse_item(self, response):
        item = dict.fromkeys(TITLES, "")
        item["詳細ページURL"] = response.url

        heading = response.css("h1.p-article-title")
        item["商品名"] = joined(heading.xpath("text()").getall())
        post_id = joined(heading.css("span.p-article-id ::text").getall())
        item["投稿ID"] = post_id.replace("投稿ID :", "").replace("（", "").replace("）", "").strip()
        for date in response.css("div.p-article-date"):
            text = joined(date.xpath(".//text()").getall())
            if text.startswith("更新"):
                item["ページ更新日"] = text[len("更新"):].strip()
            elif text.startswith("作成"):
                item["ページ作成日"] = text[len("作成"):].strip()

        images = [src for src in response.css("div.p-article-images img::attr(src)").getall()
                  if "/articles/images/" in src]
        for number, src in enumerate(images[:5], start=1):
            item[f"商品画像URL{number}"] = src.replace("thumb_s_", "thumb_")

        item["商品説明"] = joined(response.css("div.p-article-text ::text").getall())
        price = info_cell(response, "価格")
        if price:
            item["価格"] = joined(price.xpath(".//text()").getall())
        place = info_cell(response, "取引場所", "受け渡し場所")
        if place:
            item["取引・受け渡し場所"] = "、".join(joined(div.xpath(".//text()").getall()) for div in place.xpath("div"))
        genre = info_cell(response, "ジャンル")
        if genre:
            item["ジャンル"] = joined(genre.xpath(".//text()").getall())

        contact = joined(response.css("div.p-article-contact ::text").getall())
        if contact == "投稿者にメールで問い合わせ":
            item["受付有無"] = "申し込み可"
        elif contact == "お問い合わせの受付は終了いたしました。":
            item["受付有無"] = "受付終了"

        poster = response.css("a.p-user-link")
        if poster:
            item["投稿者プロフィールページURL"] = response.urljoin(poster.attrib["href"])
            item["投稿者名"] = joined(poster.css("span.p-user-name ::text").getall())
            attributes = response.css("div.p-user-attrs span::text").getall()
            item["投稿者性別"] = "男性" if "男性" in attributes else "女性" if "女性" in attributes else "性別未公開"
            posts = joined(response.css("div.p-user-stats > div:first-child ::text").getall())
            item["投稿数"] = posts.replace("投稿：", "").strip()
            item["認証"] = "、".join(response.css("div.c-verified span::text").getall())
            item["紹介文"] = joined(response.css("div.p-user-intro ::text").getall())

        page_data = response.css("script#__NEXT_DATA__::text").get()
        if page_data:
            article = json.loads(page_data).get("props", {}).get("pageProps", {}).get("article") or {}
            user = article.get("user") or {}
            counts = {
                "お気に入り登録数": article.get("favorite_user_count"),
                "良い評価": (user.get("evaluations") or {}).get("good_evaluation_count"),
                "普通評価": user.get("normal_evaluation_count"),
                "悪い評価": user.get("bad_evaluation_count"),
            }
            for title, count in counts.items():
                if count is not None:
                    item[title] = str(count)

        yield {title: cleaned(value) for title, value in item.items()}
