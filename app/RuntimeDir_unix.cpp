#include "RuntimeDir.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace app {

void ProvideRuntimeDir()
{
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        return;
    const QByteArray folder = QFile::encodeName(QDir::tempPath() + QStringLiteral("/runtime-") + QString::number(::getuid()));
    mkdir(folder.constData(), 0700);
    struct stat info {};
    // Only a folder of this user's that nobody else may enter will do.
    if (::lstat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 0077) == 0)
        qputenv("XDG_RUNTIME_DIR", folder);
}

}  // namespace app
