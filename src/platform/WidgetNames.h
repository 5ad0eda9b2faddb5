#pragma once
// Object names of form controls, as the forms give them and tests look them up: "Name", or
// "Name(i)" for a member of a control array.
#include <QObject>
#include <QString>

namespace platform {

template <class W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}
inline QString indexed(const char* base, int i) {
    return QStringLiteral("%1(%2)").arg(QString::fromLatin1(base)).arg(i);
}

} // namespace platform
