"""This program and a Scrapy spider against the same sample site, side by side.

Run through bench/side_by_side.sh, which installs Scrapy and builds the programs first. Each
contender gets a fresh vorn-sample-site (same seed, realistic pages) on a loopback port, reads the
same results pages (15 prefectures, 20 listings each, times the genres) and the same item pages,
and writes a CSV file of the 25 values. Measured per contender: wall time, wall time over the sum
of the pauses owed to the site (0.3 s after each page), the shortest gap between two requests as
the site received them, CPU seconds (user + system) per listing, and peak memory (the process's
own resident high-water mark).
"""

import argparse
import collections
import csv
import os
import shutil
import sqlite3
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

PAUSE_SECONDS = 0.3
AREAS = 15
LINKS_PER_PAGE = 20
SEED = 1
HERE = os.path.dirname(os.path.abspath(__file__))
SPIDER = os.path.join(HERE, "scrapy_spider", "listing_spider.py")
SCRAPY = "/usr/bin/scrapy"


class Site:
    """A vorn-sample-site process; stop() returns the requests it received as (seconds, path)."""

    def __init__(self, build, listings, searches, log):
        self.log = log
        command = [os.path.join(build, "bin", "vorn-sample-site"), "--realistic", "--seed", str(SEED),
                   "--listings", str(listings), "--links", str(LINKS_PER_PAGE), "--request-log", log]
        for search in searches:
            command += ["--search", search]
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, text=True)
        self.base_url = self.process.stdout.readline().strip().removeprefix("base URL: ")
        self.ca_file = self.process.stdout.readline().strip().removeprefix("CA file: ")
        if not self.base_url.startswith("https://127.0.0.1:"):
            self.process.kill()
            raise RuntimeError("the sample site did not start")

    def stop(self):
        self.process.terminate()
        if self.process.wait(timeout=30) != 0:
            raise RuntimeError("the sample site did not end cleanly")
        with open(self.log, encoding="utf-8") as lines:
            return [(float(seconds), path) for seconds, path in (line.split(" ", 1) for line in lines)]


class MemorySampler(threading.Thread):
    """Reads /proc/PID twenty times a second: the resident high-water mark (VmHWM) and the largest
    anonymous memory (heap, stacks: what the process allocated itself, without the pages of its
    libraries).

    The high-water mark is read here rather than taken from wait4's ru_maxrss: the kernel carries
    the parent's resident size at the fork into the child's ru_maxrss, so a child of this Python
    process never shows less than about 20 MB, whatever it does itself (/bin/true included)."""

    def __init__(self, pid):
        super().__init__(daemon=True)
        self.pid = pid
        self.peak_resident_kb = 0
        self.peak_anonymous_kb = 0
        self.done = threading.Event()

    def run(self):
        while not self.done.wait(0.05):
            self.peak_resident_kb = max(self.peak_resident_kb, self.read_kb("status", "VmHWM:"))
            self.peak_anonymous_kb = max(self.peak_anonymous_kb, self.read_kb("smaps_rollup", "Anonymous:"))

    def read_kb(self, name, key):
        try:
            with open(f"/proc/{self.pid}/{name}", encoding="ascii") as lines:
                for line in lines:
                    if line.startswith(key):
                        return int(line.split()[1])
        except (OSError, ValueError):
            pass
        return 0


def measure(command, cwd, output):
    """Runs command to its end; wall seconds, CPU seconds of the process, peak memory in MB, status."""
    with open(output, "w") as out:
        start = time.monotonic()
        process = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT)
        sampler = MemorySampler(process.pid)
        sampler.start()
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.monotonic() - start
        sampler.done.set()
        sampler.join()
    return {"wall": wall, "cpu": usage.ru_utime + usage.ru_stime, "peak_mb": sampler.peak_resident_kb / 1024.0,
            "anonymous_mb": sampler.peak_anonymous_kb / 1024.0, "status": os.waitstatus_to_exitcode(status)}


def plan(build, listings):
    """The searches of a run of `listings` listings and the [Config] lines that choose them."""
    if listings % (AREAS * LINKS_PER_PAGE) != 0:
        raise SystemExit(f"listings must be a multiple of {AREAS * LINKS_PER_PAGE}")
    genres = listings // (AREAS * LINKS_PER_PAGE)
    with sqlite3.connect(os.path.join(build, "bin", "db", "vrn_data.db")) as db:
        alphas = [row[0] for row in db.execute("SELECT AreaAlpha FROM T01_AREA ORDER BY AreaID")]
        codes = [row[0] for row in db.execute("SELECT CtgrCode FROM T10_CTGR ORDER BY CtgrID, CtgrSubID")]
    if genres > 1 and genres > len(codes):
        raise SystemExit(f"at most {AREAS * LINKS_PER_PAGE * len(codes)} listings")
    genre_paths = ["sale-all/g-all"] if genres == 1 else codes[:genres]
    searches = [f"{alpha}/{genre}" for alpha in alphas[:AREAS] for genre in genre_paths]
    all_nodes = "1" * len(codes)
    config = ("Word=\r\nAreasel=0\r\nImageDir=\r\nCheckImage=0\r\n"
              f"Ctgrlist={all_nodes if genres == 1 else '1' * genres + '0' * (len(codes) - genres)}\r\n"
              f"Arealist={'1' * AREAS + '0' * (len(alphas) - AREAS)}\r\n")
    return searches, config


def gaps(requests):
    times = sorted(seconds for seconds, _ in requests)
    return [later - earlier for earlier, later in zip(times, times[1:])]


def data_rows(csv_file):
    with open(csv_file, encoding="cp932", newline="") as text:
        rows = list(csv.reader(text))
    return rows[0], rows[1:]


# Three words no listing holds and a price range every priced listing is in: the filters' work
# for every listing, the same rows written.
FILTERS = ["--exclude", "zzqx", "--exclude", "qqzv", "--exclude", "xjwq", "--min-price", "0", "--max-price",
           "100000000"]


def run_ours(build, work, listings, crawl_options=(), name="ours"):
    searches, config = plan(build, listings)
    folder = os.path.join(work, f"{name}-{listings}")
    os.makedirs(os.path.join(folder, "db"))
    shutil.copy2(os.path.join(build, "bin", "vorn-search-cli"), folder)
    shutil.copy2(os.path.join(build, "bin", "db", "vrn_data.db"), os.path.join(folder, "db"))
    site = Site(build, listings, searches, os.path.join(work, f"{name}-{listings}-requests.log"))
    try:
        with open(os.path.join(folder, "db", "vrn.ini"), "w", encoding="cp932", newline="") as ini:
            ini.write(f"[Config]\r\n{config}[Site]\r\nBaseUrl={site.base_url}\r\nCaFile={site.ca_file}\r\n")
        csv_file = os.path.join(work, f"{name}-{listings}.csv")
        result = measure([os.path.join(folder, "vorn-search-cli"), "crawl", *crawl_options, csv_file], folder,
                         os.path.join(work, f"{name}-{listings}.out"))
    finally:
        requests = site.stop()
    if result["status"] != 0:
        raise SystemExit(f"vorn-search-cli ended with {result['status']}; see {work}")
    return finish(result, requests, csv_file, site.base_url)


def run_peer(build, work, listings):
    searches, _ = plan(build, listings)
    site = Site(build, listings, searches, os.path.join(work, f"peer-{listings}-requests.log"))
    try:
        search_urls = os.path.join(work, "search-urls.txt")
        with open(search_urls, "w", encoding="utf-8") as urls:
            urls.writelines(site.base_url + search + "\n" for search in searches)
        csv_file = os.path.join(work, f"peer-{listings}.csv")
        result = measure([SCRAPY, "runspider", SPIDER, "-a", f"searches={search_urls}", "-O", f"{csv_file}:csv"],
                         work, os.path.join(work, f"peer-{listings}.out"))
    finally:
        requests = site.stop()
    if result["status"] != 0:
        raise SystemExit(f"scrapy ended with {result['status']}; see {work}")
    return finish(result, requests, csv_file, site.base_url)


def run_floor(build, work, listings, paths, pause_ms=300):
    """The same requests through this program's fetcher alone, bodies thrown away, with the run's
    pauses or (pause_ms 0) back to back."""
    searches, _ = plan(build, listings)
    site = Site(build, listings, searches, os.path.join(work, f"floor-{listings}-{pause_ms}-requests.log"))
    try:
        urls = os.path.join(work, "floor-urls.txt")
        with open(urls, "w", encoding="utf-8") as lines:
            lines.writelines(site.base_url.rstrip("/") + path + "\n" for path in paths)
        result = measure([os.path.abspath(os.path.join(build, "bin", "vorn-fetch-floor")), urls, site.ca_file,
                          str(pause_ms)], work, os.path.join(work, f"floor-{listings}-{pause_ms}.out"))
    finally:
        site.stop()
    if result["status"] != 0:
        raise SystemExit(f"vorn-fetch-floor ended with {result['status']}; see {work}")
    result["cpu_per_listing"] = result["cpu"] / listings
    return result


def finish(result, requests, csv_file, base_url):
    header, rows = data_rows(csv_file)
    # Each contender has a site of its own, on a port of its own.
    origin = base_url.rstrip("/")
    rows = [[value.replace(origin, "@SITE@") for value in row] for row in rows]
    result.update(requests=len(requests), pauses=len(requests) * PAUSE_SECONDS, rows=rows, header=header,
                  min_gap=min(gaps(requests), default=0.0), paths=[path for _, path in sorted(requests)])
    result["listings"] = len(rows)
    result["over_pauses"] = result["wall"] / result["pauses"]
    result["cpu_per_listing"] = result["cpu"] / max(len(rows), 1)
    return result


def compare(ours, peer):
    """Rows whose 25 values agree, and the columns where they do not."""
    peer_rows = {row[24]: row for row in peer["rows"]}
    equal = 0
    differing = collections.Counter()
    for row in ours["rows"]:
        other = peer_rows.get(row[24])
        if other is None:
            differing["(row missing)"] += 1
            continue
        columns = [ours["header"][i] for i in range(25) if row[i] != other[i]]
        equal += not columns
        differing.update(columns)
    return equal, differing


def page_sizes(build, work):
    """Bytes of one results page and of the item pages of the first search."""
    searches, _ = plan(build, AREAS * LINKS_PER_PAGE)
    site = Site(build, AREAS * LINKS_PER_PAGE, searches, os.path.join(work, "probe-requests.log"))
    try:
        context = ssl.create_default_context(cafile=site.ca_file)
        context.check_hostname = False
        def size(path):
            with urllib.request.urlopen(site.base_url + path, context=context) as answer:
                return len(answer.read())
        results = size(searches[0])
        items = [size(f"article/{1000000 + n}") for n in range(1, LINKS_PER_PAGE + 1)]
    finally:
        site.stop()
    return results, sum(items) / len(items)


def row(name, ours, peer):
    return f"| {name} | {ours} | {peer} |"


def print_table(ours, peer, listings):
    equal, differing = compare(ours, peer)
    cpu_ratio = peer["cpu_per_listing"] / ours["cpu_per_listing"]
    memory_ratio = peer["peak_mb"] / ours["peak_mb"]
    print(f"\n{listings} listings, {ours['requests']} requests each, pause {PAUSE_SECONDS} s after every page\n")
    print("| | vorn-search-cli | Scrapy spider |")
    print("| --- | ---: | ---: |")
    print(row("listings written", ours["listings"], peer["listings"]))
    print(row("requests the site received", ours["requests"], peer["requests"]))
    print(row("wall time", f"{ours['wall']:.2f} s", f"{peer['wall']:.2f} s"))
    print(row("sum of the pauses", f"{ours['pauses']:.2f} s", f"{peer['pauses']:.2f} s"))
    print(row("wall time / pauses", f"{ours['over_pauses']:.4f}", f"{peer['over_pauses']:.4f}"))
    print(row("shortest gap between requests", f"{ours['min_gap'] * 1000:.1f} ms", f"{peer['min_gap'] * 1000:.1f} ms"))
    print(row("CPU per listing", f"{ours['cpu_per_listing'] * 1000:.2f} ms",
              f"{peer['cpu_per_listing'] * 1000:.2f} ms"))
    print(row("peak memory (resident high-water mark)", f"{ours['peak_mb']:.1f} MB", f"{peer['peak_mb']:.1f} MB"))
    print(row("peak anonymous memory (sampled)", f"{ours['anonymous_mb']:.1f} MB", f"{peer['anonymous_mb']:.1f} MB"))
    anonymous_ratio = peer["anonymous_mb"] / max(ours["anonymous_mb"], 0.001)
    print(f"\nRatios, Scrapy over this program: CPU per listing {cpu_ratio:.1f}, peak memory {memory_ratio:.2f}, "
          f"peak anonymous memory {anonymous_ratio:.1f}")
    print(f"Rows with all 25 values equal: {equal} of {ours['listings']}"
          + (f"; values differing by column: {dict(differing)}" if differing else ""))
    return cpu_ratio, memory_ratio


def print_checks(ours, cpu_ratio, memory_ratio, flat=None):
    checks = [
        ("run time within 2 % of the pauses", ours["over_pauses"] <= 1.02, f"{(ours['over_pauses'] - 1) * 100:.2f} %"),
        ("every gap at least 300 ms", ours["min_gap"] >= PAUSE_SECONDS, f"{ours['min_gap'] * 1000:.1f} ms"),
        ("CPU per listing at most 1/20 of Scrapy's", cpu_ratio >= 20, f"1/{cpu_ratio:.1f}"),
        ("peak memory at most 1/4 of Scrapy's", memory_ratio >= 4, f"1/{memory_ratio:.2f}"),
    ]
    if flat is not None:
        checks.append(("peak memory flat from 300 to 3,000 listings (within 1 MB)", flat[0], flat[1]))
    print()
    for name, met, value in checks:
        print(f"{'met   ' if met else 'MISSED'} {name}: {value}")


def print_pause_sweep(build, work, listings, paths, measured):
    """The fetcher alone over the same requests with pauses of several lengths: how much of a
    request's CPU time depends on how long the process slept before it. measured holds the runs
    already made, by pause in ms."""
    print("\nThe fetcher alone, the same requests, by the pause before each one:\n")
    print("| pause | CPU per request |")
    print("| ---: | ---: |")
    for pause_ms in (0, 10, 30, 100, 300):
        result = measured.get(pause_ms) or run_floor(build, work, listings, paths, pause_ms=pause_ms)
        print(f"| {pause_ms} ms | {result['cpu'] / len(paths) * 1e6:.0f} µs |", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="build folder holding bin/ and bin/db/")
    parser.add_argument("--listings", type=int, default=300)
    parser.add_argument("--long", action="store_true",
                        help="also run this program over 3,000 listings (15 minutes of pauses) for its peak memory")
    parser.add_argument("--pause-sweep", action="store_true",
                        help="also run the fetcher alone with pauses of 10 to 100 ms (about a minute)")
    parser.add_argument("--keep", action="store_true", help="keep the work folder (CSV files, logs)")
    parser.add_argument("--filters", action="store_true",
                        help="also run this program with three exclusion words and a price range that leave "
                             "nothing out, against the run without filters")
    options = parser.parse_args()

    work = tempfile.mkdtemp(prefix="vorn-side-by-side-")
    try:
        results_bytes, item_bytes = page_sizes(options.build, work)
        print(f"Sample site pages: results page {results_bytes / 1024:.0f} KB, item pages {item_bytes / 1024:.0f} KB "
              "on average", flush=True)
        ours = run_ours(options.build, work, options.listings)
        print(f"vorn-search-cli: {ours['wall']:.1f} s", flush=True)
        peer = run_peer(options.build, work, options.listings)
        print(f"Scrapy: {peer['wall']:.1f} s", flush=True)
        floor = run_floor(options.build, work, options.listings, ours["paths"])
        back_to_back = run_floor(options.build, work, options.listings, ours["paths"], pause_ms=0)
        cpu_ratio, memory_ratio = print_table(ours, peer, options.listings)
        print(f"The same {len(ours['paths'])} requests through this program's fetcher alone (bodies thrown "
              f"away, same pauses): CPU per listing {floor['cpu_per_listing'] * 1000:.2f} ms, "
              f"a twentieth of Scrapy's being {peer['cpu_per_listing'] * 1000 / 20:.2f} ms")
        print(f"The same requests back to back, without the pauses: CPU per listing "
              f"{back_to_back['cpu_per_listing'] * 1000:.2f} ms (what waking from each pause adds: "
              f"{(floor['cpu_per_listing'] - back_to_back['cpu_per_listing']) * 1000:.2f} ms)")
        print(f"This program against the fetcher alone: CPU per listing "
              f"{ours['cpu_per_listing'] / floor['cpu_per_listing']:.2f} times", flush=True)
        if options.filters:
            filtered = run_ours(options.build, work, options.listings, FILTERS, name="filtered")
            same = filtered["rows"] == ours["rows"]
            print(f"With three exclusion words and a price range: CPU per listing "
                  f"{filtered['cpu_per_listing'] * 1000:.2f} ms against {ours['cpu_per_listing'] * 1000:.2f} ms "
                  f"without ({(filtered['cpu_per_listing'] / ours['cpu_per_listing'] - 1) * 100:+.1f} %), "
                  f"rows {'the same' if same else 'DIFFERENT'}", flush=True)
        flat = None
        if options.long:
            long_run = run_ours(options.build, work, 3000)
            print(f"\nThis program over 3000 listings: wall time / pauses {long_run['over_pauses']:.4f}, "
                  f"shortest gap {long_run['min_gap'] * 1000:.1f} ms, "
                  f"CPU per listing {long_run['cpu_per_listing'] * 1000:.2f} ms, "
                  f"peak memory {long_run['peak_mb']:.1f} MB "
                  f"(against {ours['peak_mb']:.1f} MB for {ours['listings']}), "
                  f"peak anonymous memory {long_run['anonymous_mb']:.1f} MB (against {ours['anonymous_mb']:.1f} MB)")
            # Judged on what the program allocates: the resident set also counts library pages that
            # only a longer run happens to touch.
            growth = long_run["peak_mb"] - ours["peak_mb"]
            anonymous_growth = long_run["anonymous_mb"] - ours["anonymous_mb"]
            flat = (long_run["listings"] == 3000 and anonymous_growth <= 1.0,
                    f"{anonymous_growth:+.1f} MB anonymous ({growth:+.1f} MB resident)")
        print_checks(ours, cpu_ratio, memory_ratio, flat)
        if options.pause_sweep:
            print_pause_sweep(options.build, work, options.listings, ours["paths"], {0: back_to_back, 300: floor})
    finally:
        if options.keep:
            print(f"\nwork folder: {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
