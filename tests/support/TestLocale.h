#pragma once
// Tests that CTest also runs under a comma-decimal locale (LC_ALL=de_DE.UTF-8): the locale named
// in the environment must really be in force, else the run would prove nothing.
#include <clocale>
#include <cstring>
#include <QtTest>

namespace tdtest {

inline void requireLocaleOfEnvironment() {
    const QByteArray wanted = qgetenv("LC_ALL");
    if (wanted.isEmpty() || wanted == "C" || wanted == "POSIX") return;
    // The application object has already called setlocale(LC_ALL, "").
    QVERIFY2(std::strcmp(std::localeconv()->decimal_point, ",") == 0,
             qPrintable("locale " + wanted + " is not installed (localedef -i de_DE -f UTF-8)"));
}

} // namespace tdtest
