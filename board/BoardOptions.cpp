#include "BoardOptions.h"

namespace board {

bool TakeBoardOption(const QStringList& arguments, int* index, BoardOptions* options, QString* error)
{
    const QString& argument = arguments.at(*index);
    if (argument == QLatin1String("--simulate")) {
        options->simulate = true;
    } else if (argument == QLatin1String("--trace")) {
        options->trace = true;
    } else if (argument == QLatin1String("--port") || argument.startsWith(QLatin1String("--port="))) {
        const bool separate = argument == QLatin1String("--port");
        const QString device = separate ? arguments.value(*index + 1) : argument.mid(7);
        if (device.isEmpty())
            *error = QStringLiteral("--port needs a device");
        else
            options->ports << device;
        *index += separate ? 1 : 0;
    } else {
        return false;
    }
    return true;
}

QString BoardOptionsConflict(const BoardOptions& options)
{
    if (options.simulate && !options.ports.isEmpty())
        return QStringLiteral("--simulate and --port cannot be used together");
    return QString();
}

}  // namespace board
