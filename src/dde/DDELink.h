#pragma once
// One client link to an item of a companion program's topic, always in automatic mode: the
// item's value on opening and every later change (the server's Advise) arrive through Change.
// The link closes when the server leaves the bus (LinkClose) or the client closes it (Close,
// without LinkClose). Every call is bounded by a timeout.
#include "DDECommon.h"
#include <QDBusConnection>
#include <QObject>
#include <QString>

class QDBusServiceWatcher;

namespace dde {

class DDELink : public QObject {
    Q_OBJECT
public:
    explicit DDELink(const QDBusConnection& bus, QObject* parent = nullptr);
    ~DDELink() override;

    // Opens the link to item of linkTopic ("application|topic"); the item's value arrives
    // through Change before it returns. False when the server is not running, does not answer
    // in time, or has no such item.
    bool Open(const QString& linkTopic, const QString& item);
    bool IsOpen() const { return open_; }
    void Close();
    QString LinkTopic() const { return linkTopic_; }
    QString LinkItem() const { return item_; }

    enum class Result { Accepted, Refused, Failed };
    // An execute string on the link's topic. Failed when the link is not open, the server is
    // gone or did not answer in time.
    Result Execute(const QString& command);
    // Asks for the item's value again and applies it through Change; false on failure.
    bool Refresh();

    int TimeoutMs = kCallTimeoutMs;

signals:
    void Change(const QString& value);
    void LinkClose();
    // A value the server sent was refused (too long); once per opening.
    void BadValue(const QString& item);

private slots:
    void onAdvise(const QString& item, const QString& value);

private:
    void onServiceUnregistered();
    void apply(const QString& value);

    QDBusConnection bus_;
    QString linkTopic_;
    QString item_;
    QString service_;
    QString path_;
    bool open_ = false;
    bool badValueReported_ = false;
    QDBusServiceWatcher* watcher_ = nullptr;
};

} // namespace dde
