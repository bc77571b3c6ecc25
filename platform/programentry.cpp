// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/programentry.h"

#include "platform/version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>

namespace ProgramEntry {

namespace {

QString helpText(const Program& program, const QList<QCommandLineOption>& options)
{
    const QString usage = program.argument.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(program.argument);
    QString text = QStringLiteral("使い方: %1 [オプション]%2\n%3\n\n").arg(program.name, usage, program.summary);
    if (!program.argument.isEmpty())
        text += QStringLiteral("%1:\n%2\n").arg(program.argument, program.argumentHelp);
    text += QStringLiteral("オプション:\n");
    for (const QCommandLineOption& option : options) {
        const QStringList names = option.names();
        const QString spelled = QStringLiteral("-%1, --%2").arg(names.at(0), names.at(1));
        text += QStringLiteral("  %1  %2\n").arg(spelled, -13).arg(option.description());
    }
    return text;
}

// Whether Qt may find a screen; when it cannot, it would end the program before a mistake on
// the line could be told.
bool screenNamed(const QStringList& arguments)
{
    for (const char* variable : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
        if (!qEnvironmentVariableIsEmpty(variable))
            return true;
    }
    for (QString word : arguments) {
        while (word.startsWith(QLatin1Char('-')))
            word.remove(0, 1);
        if (word == QLatin1String("platform") || word == QLatin1String("display"))
            return true;
    }
    return false;
}

int print(const Reply& reply)
{
    std::FILE* stream = reply.ask == Ask::Mistake ? stderr : stdout;
    std::fputs(reply.text.toUtf8().constData(), stream);
    std::fflush(stream);
    return reply.status;
}

} // namespace

Reply read(const QStringList& arguments, const Program& program)
{
    const QCommandLineOption help(
        { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("この説明を表示して終わります。"));
    const QCommandLineOption version(
        { QStringLiteral("v"), QStringLiteral("version") }, QStringLiteral("バージョンを表示して終わります。"));
    QCommandLineParser parser;
    // "-stylesheet" is one unknown word, not -s -t -y ... with an -h among them.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({ help, version });
    const bool parsed = parser.parse(arguments);

    if (parser.isSet(help))
        return { Ask::Help, helpText(program, { help, version }), 0, {} };
    if (parser.isSet(version))
        return { Ask::Version, QStringLiteral("%1 バージョン %2\n").arg(program.name, Version::text()), 0, {} };

    QString mistake;
    if (!parsed) {
        QStringList unknown = parser.unknownOptionNames();
        for (QString& name : unknown)
            name.prepend(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"));
        mistake = unknown.isEmpty()
            ? parser.errorText()
            : QStringLiteral("知らないオプションです: %1").arg(unknown.join(QStringLiteral(", ")));
    } else if (const QStringList given = parser.positionalArguments();
               given.size() > (program.argument.isEmpty() ? 0 : 1)) {
        mistake = program.argument.isEmpty()
            ? QStringLiteral("引数は取りません: %1").arg(given.join(QLatin1Char(' ')))
            : QStringLiteral("%1 は1つだけです: %2").arg(program.argument, given.join(QLatin1Char(' ')));
    }
    if (mistake.isEmpty())
        return { Ask::Run, {}, 0, parser.positionalArguments().value(0) };
    return { Ask::Mistake,
        QStringLiteral("%1: %2。使い方は %1 --help で表示します。\n").arg(program.name, mistake.simplified()), 2, {} };
}

bool installJapanese(QCoreApplication& app, const QString& folder)
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* translator = new QTranslator(&app);
    const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    if (!translator->load(QStringLiteral("qtbase_ja"), from)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString refusalLine(const Program& program, const QString& reason)
{
    return QStringLiteral("%1: %2\n").arg(program.name, reason.simplified());
}

int run(int argc, char* argv[], const Program& program,
    const std::function<int(QApplication&, const QString& argument)>& body)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const Reply early = read(arguments, program);
    if (early.ask == Ask::Help || early.ask == Ask::Version || (early.ask == Ask::Mistake && !screenNamed(arguments)))
        return print(early);
    // Without a display Qt would end the program before it could say what is wrong.
    if (early.ask == Ask::Run && !early.argument.isEmpty() && program.refusal && !screenNamed(arguments)) {
        if (const QString reason = program.refusal(early.argument); !reason.isEmpty())
            return print({ Ask::Mistake, refusalLine(program, reason), 2, {} });
    }

    QApplication app(argc, argv);
    installJapanese(app);
    const Reply reply = read(QApplication::arguments(), program);
    if (reply.ask != Ask::Run)
        return print(reply);
    return body(app, reply.argument);
}

} // namespace ProgramEntry
