#include "app/window/desktop_notification.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QRegularExpression>
#include <QStringList>
#include <QVariantMap>

#include "app/window/window_texts.h"

namespace vorn {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// The desktop file and the icon share this name.
const QString kDesktopEntry = QStringLiteral("vorn-search");
constexpr int kServersDefaultTimeout = -1;

} // namespace

DesktopNotification::DesktopNotification(QDBusConnection bus) : bus_(std::move(bus)) {}

void DesktopNotification::Show(const QString& caption, const QString& message, const QString& secondLine) {
    // Asked first, so that a bus without the service neither starts one nor gets the call.
    QDBusConnectionInterface* const daemon = bus_.isConnected() ? bus_.interface() : nullptr;
    if (daemon == nullptr || !daemon->isServiceRegistered(kService).value()) {
        return;
    }
    QDBusMessage notify = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), kDesktopEntry);
    // A message's lines may end in CR LF as well as LF.
    QString body = message.left(message.indexOf(QRegularExpression(QStringLiteral("[\r\n]"))));
    if (!secondLine.isEmpty()) {
        body += QLatin1Char('\n') + secondLine;
    }
    notify << texts::kTitle << 0U << kDesktopEntry << caption << body << QStringList() << hints
           << kServersDefaultTimeout;
    bus_.send(notify);
}

} // namespace vorn
