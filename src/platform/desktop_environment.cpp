#include "desktop_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace tunebay {

std::string ProgramDataDirectory() {
    QString base =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (base.isEmpty()) {
        // Without an application object, the executable's own folder.
        base = QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath();
    }
    const QDir bin(base);
    for (const QString& candidate :
         {bin.absoluteFilePath("../" TUNEBAY_DATA_INSTALL_DIR),
          bin.absoluteFilePath("../share/tunebay"), bin.absoluteFilePath("../res")}) {
        if (QFile::exists(candidate + "/TBDB.src"))
            return QDir::cleanPath(candidate).toStdString() + "/";
    }
    return QDir::cleanPath(bin.absoluteFilePath("../share/tunebay")).toStdString() + "/";
}

std::string DefaultMusicFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    folder = QDir::cleanPath(folder);
    return (folder.endsWith('/') ? folder : folder + '/').toStdString();
}

std::string UsableFolder(const std::string& stored) {
    const QFileInfo folder(QString::fromStdString(stored));
    if (!stored.empty() && folder.isAbsolute() && folder.isDir())
        return stored;
    return DefaultMusicFolder();
}

std::string UserDataDirectory() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
            QStringLiteral("/Tunebay/"))
        .toStdString();
}

std::string PlayerCommandFromExec(const QString& exec) {
    const QStringList parts = QProcess::splitCommand(exec);
    if (parts.isEmpty())
        return {};
    QString command = "\"" + parts.front() + "\"";
    bool hasFile = false;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (part == "%f" || part == "%F" || part == "%u" || part == "%U") {
            command += " \"%1\"";
            hasFile = true;
        } else if (part.size() == 2 && part[0] == '%') {
            continue; // %i, %c, %k and the like have no meaning here
        } else {
            command += part.contains(' ') ? " \"" + part + "\"" : " " + part;
        }
    }
    if (!hasFile)
        command += " \"%1\"";
    return command.toStdString();
}

std::string ProbeDefaultPlayer() {
    QProcess query;
    query.start("xdg-mime", {"query", "default", "audio/mpeg"});
    if (!query.waitForFinished(3000) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0)
        return {};
    const QString desktopName = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    if (desktopName.isEmpty())
        return {};
    const QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopName);
    if (file.isEmpty())
        return {};
    QSettings entry(file, QSettings::IniFormat);
    const QString exec = entry.value("Desktop Entry/Exec").toString();
    return exec.isEmpty() ? std::string() : PlayerCommandFromExec(exec);
}

} // namespace tunebay
