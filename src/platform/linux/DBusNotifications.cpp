#include "DBusNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

namespace {
// A server that takes longer than this is as good as none: the announcement falls back.
constexpr int ReplyTimeoutMs = 3000;
} // namespace

void DBusNotifications::notify(const QString& summary, const QString& body, QObject* context, Answer answer)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        answer(false);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the server's).
    call << QStringLiteral("Carrowen") << uint(0) << QStringLiteral("network-wired") << summary << body << QStringList()
         << QVariantMap() << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, ReplyTimeoutMs));
    QPointer<QObject> guard(context);
    const bool guarded = context != nullptr;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [guard, guarded, answer = std::move(answer)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         if (!guarded || guard) {
                             answer(!finished->isError());
                         }
                     });
}
