#include "app/converter_app.h"
#include "kivo/version.h"

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage: kivo [FILE...]\n"
    "Opens the Kivo window, which converts SQUID data files into one Igor Text file (.itx):\n"
    "drop the files onto it, check the output path and the wave prefix, and press \"Make itx\".\n"
    "FILEs named here are queued as if they had been dropped.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "  --version      show the version and exit\n"
    "\n";

// Where kivo-convert, the same conversion without a window, is: installed beside kivo, or
// else on the PATH.
std::string convertProgram(int& argc, char** argv)
{
    const QCoreApplication core(argc, argv);
    QString found = QStandardPaths::findExecutable(QStringLiteral("kivo-convert"),
                                                   {QCoreApplication::applicationDirPath()});
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(QStringLiteral("kivo-convert"));
    if (found.isEmpty())
        return "kivo-convert (installed beside kivo)";
    return QDir::toNativeSeparators(found).toLocal8Bit().toStdString();
}

// Answers --help and --version, which need no window and so no display; the exit status
// when one of them was asked for. Options of Qt's own (-style, -platform) are left to the
// application object, so unknown options are no error here.
std::optional<int> answerInfoOptions(int& argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(version);
    parser.parse(arguments);
    if (parser.isSet(help)) {
        std::cout << kUsage << "kivo-convert does the same without a window: " << convertProgram(argc, argv) << '\n';
        return std::cout.flush() ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    if (parser.isSet(version)) {
        std::cout << "Kivo " KIVO_VERSION_STRING "\n";
        return std::cout.flush() ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    return std::nullopt;
}

// While the application object starts: Qt ends the process with abort() when no platform
// plugin can start (no display to connect to, above all), after warnings of its own. That
// becomes one line and exit status 1; the warnings of a start that succeeds are passed on
// afterwards as they came.
class PlatformStartGuard final {
public:
    PlatformStartGuard() { s_previous = qInstallMessageHandler(&PlatformStartGuard::handle); }
    PlatformStartGuard(const PlatformStartGuard&) = delete;
    PlatformStartGuard& operator=(const PlatformStartGuard&) = delete;

    ~PlatformStartGuard()
    {
        qInstallMessageHandler(s_previous);
        for (const Held& held : s_held) {
            const QMessageLogContext context(nullptr, 0, nullptr, held.category.constData());
            s_previous(held.type, context, held.message);
        }
        s_held.clear();
    }

private:
    struct Held {
        QtMsgType type;
        QByteArray category;
        QString message;
    };

    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (type == QtFatalMsg) {
            std::fputs("kivo: no display to show the window on; kivo-convert converts without one\n", stderr);
            std::_Exit(EXIT_FAILURE);
        }
        s_held.push_back({type, QByteArray(context.category), message});
    }

    static inline QtMessageHandler s_previous = nullptr;
    static inline std::vector<Held> s_held;
};

} // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = answerInfoOptions(argc, argv))
        return *status;
    std::optional<PlatformStartGuard> guard(std::in_place);
    kivo::app::CConverterApp app(argc, argv);
    guard.reset();
    return app.InitInstance();
}
