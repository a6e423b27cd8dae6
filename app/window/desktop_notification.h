#pragma once

#include <QDBusConnection>
#include <QString>

namespace vorn {

// A word on the desktop when a run ends while the user works in another window: the freedesktop
// notification service, reached over the session bus. Where no such service runs, nothing is
// sent and nothing waits.
class DesktopNotification {
public:
    explicit DesktopNotification(QDBusConnection bus = QDBusConnection::sessionBus());

    // The caption as the summary, the message's first line as the body, and secondLine under it
    // when there is one. Does not wait for the service's answer.
    void Show(const QString& caption, const QString& message, const QString& secondLine = {});

private:
    QDBusConnection bus_;
};

} // namespace vorn
