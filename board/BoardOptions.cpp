#include "BoardOptions.h"

#include <QCommandLineParser>

namespace board {

namespace {

const QString kPort = QStringLiteral("port");
const QString kPortNeedsDevice = QStringLiteral("--port needs a device");

// The options QApplication takes for itself, with a value or without; they may be written
// with one dash or two, and a value also after '='.
const QStringList kQtOptionsWithValue{
    QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"), QStringLiteral("session"), QStringLiteral("style"), QStringLiteral("stylesheet"),
    QStringLiteral("display"), QStringLiteral("geometry"), QStringLiteral("title"), QStringLiteral("icon")};
const QStringList kQtOptionsAlone{QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                                  QStringLiteral("dograb"), QStringLiteral("sync")};

}  // namespace

QStringList WithoutQtOptions(const QStringList& arguments)
{
    QStringList ours;
    for (int i = 0; i < arguments.size(); ++i) {
        QString name = arguments.at(i);
        if (i == 0 || !name.startsWith(QLatin1Char('-')) || name.startsWith(QLatin1String("---"))) {
            ours << name;
            continue;
        }
        name = name.mid(name.startsWith(QLatin1String("--")) ? 2 : 1);
        const bool valueAttached = name.contains(QLatin1Char('='));
        name = name.section(QLatin1Char('='), 0, 0);
        if (kQtOptionsWithValue.contains(name))
            i += valueAttached ? 0 : 1;
        else if (!kQtOptionsAlone.contains(name))
            ours << arguments.at(i);
    }
    return ours;
}

void AddBoardOptions(QCommandLineParser& parser)
{
    parser.addOption({kPort, QStringLiteral("look for the board on DEVICE only"), QStringLiteral("DEVICE")});
    parser.addOption({QStringLiteral("simulate"), QStringLiteral("run against the built-in simulated board")});
    parser.addOption({QStringLiteral("trace"), QStringLiteral("write every byte exchanged with the board to standard error")});
}

BoardOptionsRead ReadBoardOptions(const QCommandLineParser& parser)
{
    BoardOptionsRead read;
    read.options.simulate = parser.isSet(QStringLiteral("simulate"));
    read.options.trace = parser.isSet(QStringLiteral("trace"));
    read.options.ports = parser.values(kPort);
    if (read.options.ports.contains(QString()))
        read.error = kPortNeedsDevice;  // --port=
    else if (read.options.simulate && !read.options.ports.isEmpty())
        read.error = QStringLiteral("--simulate and --port cannot be used together");
    return read;
}

QString ParseError(const QCommandLineParser& parser, const QStringList& arguments)
{
    // The unknown option as it was typed, without a value it was given.
    const QStringList unknown = parser.unknownOptionNames();
    for (const QString& argument : arguments.mid(1)) {
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        QString bare = name;
        while (bare.startsWith(QLatin1Char('-')))
            bare.remove(0, 1);
        if (name.startsWith(QLatin1Char('-')) && unknown.contains(bare))
            return QStringLiteral("unknown option '%1'").arg(name);
    }
    if (!unknown.isEmpty())
        return QStringLiteral("unknown option '-%1'").arg(unknown.front());
    if (parser.errorText().contains(QStringLiteral("'--%1'").arg(kPort)))
        return kPortNeedsDevice;  // --port as the last word
    return parser.errorText();
}

}  // namespace board
