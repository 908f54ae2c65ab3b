#include "app/SleepBlock.h"

#include <mutex>
#include <thread>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QFileInfo>
#include <QVariantMap>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
constexpr uint portalSuspendFlag = 4;
// Past this, the batch runs without a block rather than wait for one.
constexpr int answerTimeoutMs = 2000;

// What the batch's block shares with its request. The request runs on a
// thread of its own: connecting to a bus that never answers would otherwise
// hold the window still for as long as libdbus waits (25 s) at every batch
// start. So the answer may come after the batch has ended.
struct Inhibitor {
    std::mutex lock;
    bool released = false;
    QDBusUnixFileDescriptor descriptor; // the login manager's: closing it releases
    QString portalRequest;              // the portal's: closing the request releases

    void release() {
        descriptor = QDBusUnixFileDescriptor();
        if (!portalRequest.isEmpty())
            QDBusConnection::sessionBus().call(
                QDBusMessage::createMethodCall(portalService, portalRequest,
                                               QStringLiteral("org.freedesktop.portal.Request"),
                                               QStringLiteral("Close")),
                QDBus::NoBlock);
        portalRequest.clear();
    }
};

// A Flatpak sandbox hides the login manager; its portal asks on our behalf.
void request(const std::shared_ptr<Inhibitor>& inhibitor, const QString& why) {
    const bool sandboxed = QFileInfo::exists(QStringLiteral("/.flatpak-info"));
    QDBusMessage inhibit;
    if (sandboxed) {
        inhibit = QDBusMessage::createMethodCall(
            portalService, QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"));
        inhibit << QString() << portalSuspendFlag << QVariantMap{{QStringLiteral("reason"), why}};
    } else {
        inhibit = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        inhibit << QStringLiteral("sleep") << QStringLiteral("Quillaro") << why
                << QStringLiteral("block");
    }
    const QDBusConnection bus =
        sandboxed ? QDBusConnection::sessionBus() : QDBusConnection::systemBus();
    const QDBusMessage reply = bus.call(inhibit, QDBus::Block, answerTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return;

    const QVariant answer = reply.arguments().constFirst();
    const std::lock_guard held(inhibitor->lock);
    if (sandboxed)
        inhibitor->portalRequest = answer.value<QDBusObjectPath>().path();
    else
        inhibitor->descriptor = answer.value<QDBusUnixFileDescriptor>();
    if (inhibitor->released)
        inhibitor->release();
}

class BusSleepBlock : public SleepBlock {
public:
    explicit BusSleepBlock(const QString& why)
        : m_inhibitor(std::make_shared<Inhibitor>()) {
        std::thread(request, m_inhibitor, why).detach();
    }
    ~BusSleepBlock() override {
        const std::lock_guard held(m_inhibitor->lock);
        m_inhibitor->released = true;
        m_inhibitor->release();
    }
    BusSleepBlock(const BusSleepBlock&) = delete;
    BusSleepBlock& operator=(const BusSleepBlock&) = delete;

private:
    std::shared_ptr<Inhibitor> m_inhibitor;
};

} // namespace

std::unique_ptr<SleepBlock> keepSystemAwake(const QString& why) {
    return std::make_unique<BusSleepBlock>(why);
}
