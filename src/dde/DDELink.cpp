#include "DDELink.h"
#include <QDBusMessage>
#include <QDBusServiceWatcher>

namespace dde {

DDELink::DDELink(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {}

DDELink::~DDELink() {
    Close();
}

bool DDELink::Open(const QString& linkTopic, const QString& item) {
    Close();
    const auto topic = SplitLinkTopic(linkTopic);
    if (!topic || item.isEmpty() || item.size() > kMaxText || !bus_.isConnected()) return false;
    linkTopic_ = linkTopic;
    item_ = item;
    service_ = ServiceName(topic->application);
    path_ = ObjectPath(topic->topic);
    // Watch first: a server leaving between the request and the watch would go unnoticed.
    watcher_ =
        new QDBusServiceWatcher(service_, bus_, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this,
            &DDELink::onServiceUnregistered);
    if (!bus_.connect(service_, path_, QString::fromLatin1(kInterface),
                      QString::fromLatin1(kAdvise), this, SLOT(onAdvise(QString, QString)))) {
        Close();
        return false;
    }
    open_ = true;
    badValueReported_ = false;
    if (!Refresh()) {
        Close();
        return false;
    }
    return true;
}

void DDELink::Close() {
    if (watcher_) {
        watcher_->deleteLater(); // Close may run inside its signal
        watcher_ = nullptr;
    }
    if (open_)
        bus_.disconnect(service_, path_, QString::fromLatin1(kInterface),
                        QString::fromLatin1(kAdvise), this, SLOT(onAdvise(QString, QString)));
    open_ = false;
}

bool DDELink::Refresh() {
    if (!open_) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service_, path_, QString::fromLatin1(kInterface), QStringLiteral("Request"));
    call << item_;
    const QDBusMessage reply = bus_.call(call, QDBus::Block, TimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        reply.arguments().front().metaType() != QMetaType::fromType<QString>())
        return false;
    apply(reply.arguments().front().toString());
    return true;
}

DDELink::Result DDELink::Execute(const QString& command) {
    if (!open_) return Result::Failed;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service_, path_, QString::fromLatin1(kInterface), QStringLiteral("Execute"));
    call << command;
    const QDBusMessage reply = bus_.call(call, QDBus::Block, TimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) return Result::Failed;
    const QVariantList args = reply.arguments();
    const bool accepted = args.size() == 1 &&
                          args.front().metaType() == QMetaType::fromType<bool>() &&
                          args.front().toBool();
    return accepted ? Result::Accepted : Result::Refused;
}

void DDELink::onAdvise(const QString& item, const QString& value) {
    if (open_ && item == item_) apply(value);
}

void DDELink::apply(const QString& value) {
    if (value.size() > kMaxText) {
        if (!badValueReported_) emit BadValue(item_);
        badValueReported_ = true;
        return;
    }
    emit Change(value);
}

void DDELink::onServiceUnregistered() {
    if (!open_) return;
    Close();
    emit LinkClose();
}

} // namespace dde
