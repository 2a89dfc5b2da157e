#include "BoardOptions.h"

#include "PortListing.h"

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

CChosenPorts::CChosenPorts(const BoardOptions& options)
    : m_simulate(options.simulate), m_candidates(options.ports.isEmpty() ? DefaultCandidatePorts() : options.ports)
{
    // The benchmark's switch, not the users': the simulated board paced at 9600 baud.
    if (m_simulate)
        m_simulated.Attach(m_candidates.front())->realTime = qEnvironmentVariableIsSet("LDX_SIMULATE_REAL_TIME");
}

}  // namespace board
