#pragma once

#include <functional>

#include <QThread>

#include "crawl/crawl_worker.h"

namespace vorn {

// A run on a thread of its own, for a front end with an event loop (the window). Start it with
// start(); every call to the front end is handed over to the thread of its context() and waited
// for, so the front end may touch widgets and the database freely.
class CrawlJob : public QThread, public CrawlWorker {
    Q_OBJECT
public:
    CrawlJob(CrawlFrontEnd& frontEnd, CrawlConfig config, QObject* parent = nullptr);

    using CrawlWorker::isRunning;

    void Synchronize(const std::function<void()>& fn) override;

protected:
    void run() override { Execute(); }
};

// The worker's name in the rest of the program.
using TMyThread = CrawlJob;

} // namespace vorn
