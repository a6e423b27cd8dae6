#include "crawl/crawl_job.h"

#include <exception>
#include <stdexcept>
#include <utility>

#include <QMetaObject>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace vorn {

namespace {

// Qt hands a blocking queued call over with futexes that ThreadSanitizer does not see, so it would
// report every value the two threads pass through such a call. These tell it what Qt guarantees:
// everything before the hand-over happens before the other side goes on.
void HandOverFrom([[maybe_unused]] void* token) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(token);
#endif
}

void HandOverTo([[maybe_unused]] void* token) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(token);
#endif
}

} // namespace

CrawlJob::CrawlJob(CrawlFrontEnd& frontEnd, CrawlConfig config, QObject* parent)
    : QThread(parent), frontEnd_(frontEnd),
      worker_(frontEnd, std::move(config), [this](const std::function<void()>& call) { HandOver(call); }) {}

void CrawlJob::HandOver(const std::function<void()>& fn) {
    QObject* context = frontEnd_.context();
    if (context == nullptr || QThread::currentThread() == context->thread()) {
        fn();
        return;
    }
    // An exception must not unwind through the other thread's event loop: carry it back here.
    std::exception_ptr error;
    HandOverFrom(&error);
    const bool delivered = QMetaObject::invokeMethod(
        context,
        [&fn, &error] {
            HandOverTo(&error);
            try {
                fn();
            } catch (...) {
                error = std::current_exception();
            }
            HandOverFrom(&error);
        },
        Qt::BlockingQueuedConnection);
    HandOverTo(&error);
    if (!delivered) {
        throw std::runtime_error("the front end did not take the call");
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

} // namespace vorn
