#pragma once
// The server side of the companion exchange: one service "dde.<application>" with its topics,
// their items (pushed to linked clients by Advise on every change) and an execute handler.
// The program's own announcement topic, the rig bridge and the test companions use it.
#include <functional>
#include <map>
#include <memory>
#include <QDBusConnection>
#include <QDBusContext>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

namespace dde {

class DDEServer;

namespace detail {
// The object at "/<topic>" with the interface "dde.Topic".
class TopicObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "dde.Topic")
public:
    TopicObject(DDEServer& server, const QString& topic);

public slots:
    bool Execute(const QString& command);
    QString Request(const QString& item);

signals:
    void Advise(const QString& item, const QString& value);

private:
    // Only processes of the operator's own login may drive the program.
    bool fromOwnUser();

    DDEServer& server_;
    QString topic_;
};
} // namespace detail

class DDEServer {
public:
    DDEServer(const QDBusConnection& bus, const QString& application);
    ~DDEServer();
    DDEServer(const DDEServer&) = delete;
    DDEServer& operator=(const DDEServer&) = delete;

    // Claims the service and offers the topics; false, with the reason in Error(), when there
    // is no bus or a name is not valid. While another process holds the service, the claim
    // waits in line (Queued).
    bool Register(const QStringList& topics);
    bool Registered() const { return registered_; }
    bool Queued() const { return queued_; }
    QString Error() const { return error_; }
    QString Service() const { return service_; }

    // Sets an item's value; linked clients hear of it when it changes.
    void SetItem(const QString& topic, const QString& item, const QString& value);
    QString Item(const QString& topic, const QString& item) const;
    bool HasItem(const QString& topic, const QString& item) const;

    // Each accepted execute string reaches this handler, which says whether it was processed.
    // Without a handler every execute is refused.
    std::function<bool(const QString& topic, const QString& command)> OnExecute;

private:
    friend class detail::TopicObject;

    QDBusConnection bus_;
    QString application_;
    QString service_;
    QString error_;
    bool registered_ = false;
    bool queued_ = false;
    std::map<QString, std::unique_ptr<detail::TopicObject>> topics_;
    QHash<QString, QHash<QString, QString>> items_;
};

} // namespace dde
