#include "ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

bool copyTree(const QString& from, const QString& to) {
    if (!QDir().mkpath(to)) return false;
    bool ok = true;
    const QDir source(from);
    const auto entries =
        source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& e : entries) {
        const QString target = to + QLatin1Char('/') + e.fileName();
        if (e.isDir())
            ok = copyTree(e.absoluteFilePath(), target) && ok;
        else if (!QFileInfo::exists(target))
            ok = QFile::copy(e.absoluteFilePath(), target) && ok;
    }
    return ok;
}

QString withoutTrailingSeparator(const QString& dir) {
    return QDir::cleanPath(QDir(dir).absolutePath());
}

} // namespace

QString chooseProgramDirectory(const QString& executableDir, const QString& userDir,
                               const QStringList& installedDirs) {
    const QFileInfo exe(executableDir);
    // An installed program (its resources in ../share/tonedeck) never writes beside itself,
    // even where it could (root, or a prefix in the home folder).
    const bool isInstalled =
        QFileInfo(executableDir + QStringLiteral("/../share/tonedeck")).isDir();
    if (!executableDir.isEmpty() && exe.isDir() && exe.isWritable() && !isInstalled)
        return withoutTrailingSeparator(executableDir);
    QString dir;
    // Where the user's data folder cannot be made either, a private temporary one still keeps
    // the error log and the copied resources for this session.
    for (const QString& candidate : {userDir, QDir::tempPath() + QStringLiteral("/Tonedeck-") +
                                                  qEnvironmentVariable("USER")}) {
        if (!candidate.isEmpty() && QDir().mkpath(candidate) && QFileInfo(candidate).isWritable()) {
            dir = withoutTrailingSeparator(candidate);
            break;
        }
    }
    if (dir.isEmpty()) return QString();
    for (const QString& folder :
         {QStringLiteral("Help"), QStringLiteral("Scripts"), QStringLiteral("Modems")}) {
        const QString target = dir + QLatin1Char('/') + folder;
        if (QFileInfo(target).isDir())
            continue; // seeded earlier; the operator's own files stay as they are
        for (const QString& installed : installedDirs) {
            const QString source = installed + QLatin1Char('/') + folder;
            if (QFileInfo(source).isDir()) {
                copyTree(source, target);
                break;
            }
        }
    }
    return dir;
}

QString defaultProgramDirectory() {
    const QString exeDir = QCoreApplication::instance()
                               ? QCoreApplication::applicationDirPath()
                               : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                            QStringLiteral("/Tonedeck");
    // The resources sit beside the executable in a build or a portable copy, else in the
    // installed share folder.
    QStringList installed{exeDir, exeDir + QStringLiteral("/../share/tonedeck")};
    installed +=
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("tonedeck"),
                                  QStandardPaths::LocateDirectory);
    return chooseProgramDirectory(exeDir, userDir, installed);
}

} // namespace platform
