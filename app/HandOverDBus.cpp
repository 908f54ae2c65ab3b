#include "app/HandOver.h"
#include "base/CommandLine.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QObject>

namespace {

const QString serviceName = QStringLiteral("org.example.Quillaro");
const QString objectPath = QStringLiteral("/org/example/Quillaro");
// The version is in the interface's name: a sender of another version calls
// a method that is not there, is refused, and opens its own window.
const QString interfaceName = QStringLiteral("org.example.Quillaro.HandOver1");

QByteArray activationToken() {
    QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    return token.isEmpty() ? qgetenv("DESKTOP_STARTUP_ID") : token;
}

class Receiver : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.Quillaro.HandOver1")

public:
    Receiver(std::function<void(std::vector<std::string>)> received, QObject* parent)
        : QObject(parent)
        , m_received(std::move(received)) {}

public slots:
    // The paths as bytes, since a Linux file name need not be text; `folder`
    // is the sender's current folder, which made them absolute.
    void Open(const QByteArrayList& paths, const QByteArray& folder, const QByteArray& token) {
        std::vector<std::string> list;
        for (const QByteArray& path : paths) {
            if (!path.startsWith('/') || path.contains('\0')) {
                sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("Paths must be absolute"));
                return;
            }
            list.emplace_back(path.constData(), static_cast<std::size_t>(path.size()));
        }
        Q_UNUSED(folder)
        // The desktop lets the window come to the front with the sender's token.
        if (!token.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", token);
        m_received(std::move(list));
    }

private:
    std::function<void(std::vector<std::string>)> m_received;
};

} // namespace

namespace quillaro {

HandOver handOverOrReceive(const std::vector<std::string>& paths,
                           std::function<void(std::vector<std::string>)> received) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return HandOver::Alone;
    qDBusRegisterMetaType<QByteArrayList>();

    // The object is there before the name, so a sender that sees the name
    // finds the method.
    auto* receiver = new Receiver(std::move(received), QCoreApplication::instance());
    bus.registerObject(objectPath, receiver, QDBusConnection::ExportAllSlots);
    const auto claim =
        bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (claim.isValid() && claim.value() == QDBusConnectionInterface::ServiceRegistered)
        return HandOver::Receiving;
    bus.unregisterObject(objectPath);
    delete receiver;
    if (paths.empty())
        return HandOver::Alone;

    QByteArrayList list;
    for (const std::string& path : paths)
        list.append(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName,
                                                       QStringLiteral("Open"));
    call << QVariant::fromValue(list) << QByteArray::fromStdString(currentFolder())
         << activationToken();
    const QDBusMessage reply = bus.call(call, QDBus::Block, handOverAnswerTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage ? HandOver::Taken : HandOver::Alone;
}

} // namespace quillaro

#include "HandOverDBus.moc"
