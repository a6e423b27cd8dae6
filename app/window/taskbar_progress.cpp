#include "app/window/taskbar_progress.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace vorn {

namespace {

const QString kEntryPath = QStringLiteral("/com/canonical/unity/launcherentry/vorn_search");
const QString kEntryInterface = QStringLiteral("com.canonical.Unity.LauncherEntry");

} // namespace

TaskbarProgress::TaskbarProgress(QString appUri) : appUri_(std::move(appUri)) {}

bool TaskbarProgress::Init() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    ready_ = bus.isConnected() && bus.interface() != nullptr && bus.interface()->isValid();
    return ready_;
}

void TaskbarProgress::SetState(State state) {
    state_ = state;
    if (state == State::None) {
        progress_ = 0.0;
    }
    Send(state != State::None, progress_);
}

void TaskbarProgress::SetValue(qint64 completed, qint64 total) {
    // Setting a value shows normal progress, as the old interface did.
    if (state_ == State::None || state_ == State::Indeterminate) {
        state_ = State::Normal;
    }
    progress_ = total > 0 ? static_cast<double>(completed) / static_cast<double>(total) : 0.0;
    Send(true, progress_);
}

void TaskbarProgress::Send(bool visible, double progress) {
    if (!ready_) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(kEntryPath, kEntryInterface, QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("progress"), progress);
    properties.insert(QStringLiteral("progress-visible"), visible);
    signal << appUri_ << properties;
    QDBusConnection::sessionBus().send(signal);
}

} // namespace vorn
