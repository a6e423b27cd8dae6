#pragma once

#include <functional>

#include <QThread>

#include "crawl/crawl_worker.h"

namespace vorn {

// A run on a thread of its own, for a front end with an event loop (the window). Start it with
// start(); every call to the front end is handed over to the thread of its context() and waited
// for, so the front end may touch widgets and the database freely.
class CrawlJob : public QThread {
    Q_OBJECT
public:
    CrawlJob(CrawlFrontEnd& frontEnd, CrawlConfig config, QObject* parent = nullptr);

    CrawlWorker& worker() { return worker_; }
    const CrawlWorker& worker() const { return worker_; }
    void RequestStop() { worker_.RequestStop(); }

protected:
    void run() override { worker_.Execute(); }

private:
    void HandOver(const std::function<void()>& call);

    CrawlFrontEnd& frontEnd_;
    CrawlWorker worker_;
};

// The worker's name in the rest of the program.
using TMyThread = CrawlJob;

} // namespace vorn
