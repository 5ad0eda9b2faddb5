#include "DDEServer.h"
#include "DDECommon.h"
#include <QDBusConnectionInterface>
#include <unistd.h>

namespace dde {

namespace detail {

TopicObject::TopicObject(DDEServer& server, const QString& topic)
    : server_(server), topic_(topic) {}

bool TopicObject::fromOwnUser() {
    if (!calledFromDBus()) return true;
    const QDBusReply<uint> uid = connection().interface()->serviceUid(message().service());
    return uid.isValid() && uid.value() == ::getuid();
}

bool TopicObject::Execute(const QString& command) {
    if (command.size() > kMaxText || !fromOwnUser() || !server_.OnExecute) return false;
    return server_.OnExecute(topic_, command);
}

QString TopicObject::Request(const QString& item) {
    if (!calledFromDBus()) return server_.Item(topic_, item);
    if (!fromOwnUser()) {
        sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not the bus owner's user"));
        return {};
    }
    if (!server_.HasItem(topic_, item)) {
        sendErrorReply(QStringLiteral("dde.Error.NoItem"), QStringLiteral("no such item"));
        return {};
    }
    return server_.Item(topic_, item);
}

} // namespace detail

DDEServer::DDEServer(const QDBusConnection& bus, const QString& application)
    : bus_(bus), application_(application), service_(ServiceName(application)) {}

DDEServer::~DDEServer() {
    if (!registered_) return;
    for (const auto& [topic, object] : topics_)
        bus_.unregisterObject(ObjectPath(topic));
    bus_.unregisterService(service_);
}

bool DDEServer::Register(const QStringList& topics) {
    if (registered_) return true;
    if (!bus_.isConnected()) {
        error_ = QStringLiteral("no D-Bus session bus");
        return false;
    }
    if (service_.isEmpty()) {
        error_ = QStringLiteral("\"%1\" cannot name a D-Bus service").arg(application_);
        return false;
    }
    for (const QString& topic : topics) {
        const QString path = ObjectPath(topic);
        if (path.isEmpty()) {
            error_ = QStringLiteral("\"%1\" cannot name a D-Bus object").arg(topic);
            return false;
        }
        auto object = std::make_unique<detail::TopicObject>(*this, topic);
        if (!bus_.registerObject(path, object.get(),
                                 QDBusConnection::ExportAllSlots |
                                     QDBusConnection::ExportAllSignals)) {
            error_ = bus_.lastError().message();
            return false;
        }
        topics_[topic] = std::move(object);
    }
    // A second instance waits in line for the name and takes it over when the first one ends.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus_.interface()->registerService(service_, QDBusConnectionInterface::QueueService,
                                          QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        error_ = reply.error().message();
        for (const auto& [topic, object] : topics_)
            bus_.unregisterObject(ObjectPath(topic));
        topics_.clear();
        return false;
    }
    queued_ = reply.value() == QDBusConnectionInterface::ServiceQueued;
    registered_ = true;
    return true;
}

void DDEServer::SetItem(const QString& topic, const QString& item, const QString& value) {
    QString& stored = items_[topic][item];
    const bool changed = stored != value;
    stored = value;
    const auto it = topics_.find(topic);
    if (changed && it != topics_.end()) emit it->second->Advise(item, value);
}

QString DDEServer::Item(const QString& topic, const QString& item) const {
    return items_.value(topic).value(item);
}

bool DDEServer::HasItem(const QString& topic, const QString& item) const {
    const auto t = items_.find(topic);
    return t != items_.end() && t->contains(item);
}

} // namespace dde
