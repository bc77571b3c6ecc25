// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/codepage.h"

#include "settings/settingskeys.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace WineCodePage {

namespace {

// Qt's (ICU's) names for Windows' tables; windows-31j is Microsoft's Shift_JIS.
const char* codecName(int codePage)
{
    switch (codePage) {
    case 874:
        return "windows-874";
    case 932:
        return "windows-31j";
    case 936:
        return "windows-936";
    case 949:
        return "windows-949";
    case 950:
        return "windows-950";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1252:
        return "windows-1252";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    default:
        return nullptr;
    }
}

bool oneOf(const QString& language, std::initializer_list<const char*> languages)
{
    for (const char* l : languages) {
        if (language == QLatin1String(l))
            return true;
    }
    return false;
}

} // namespace

int forLocale(const QString& locale)
{
    // language[_territory][.codeset][@modifier]
    const qsizetype at = locale.indexOf(QLatin1Char('@'));
    const QString modifier = at < 0 ? QString() : locale.mid(at + 1).toLower();
    const QString name = locale.left(at).section(QLatin1Char('.'), 0, 0);
    const qsizetype underscore = name.indexOf(QLatin1Char('_'));
    const QString language = name.left(underscore < 0 ? name.size() : underscore).toLower();
    const QString territory = underscore < 0 ? QString() : name.mid(underscore + 1).toUpper();

    if (language == QLatin1String("ja"))
        return 932;
    if (language == QLatin1String("ko"))
        return 949;
    if (language == QLatin1String("zh"))
        return oneOf(territory, { "TW", "HK", "MO" }) ? 950 : 936;
    // Written in either alphabet: glibc's Serbian is Cyrillic, its Uzbek and Azeri Latin.
    if (language == QLatin1String("sr"))
        return modifier == QLatin1String("latin") ? 1250 : 1251;
    if (oneOf(language, { "uz", "az" }))
        return modifier == QLatin1String("cyrillic") ? 1251 : 1254;
    if (oneOf(language, { "ru", "uk", "be", "bg", "mk", "kk", "ky", "mn", "tg", "tt", "ba" }))
        return 1251;
    if (oneOf(language, { "cs", "sk", "pl", "hu", "sl", "hr", "bs", "ro", "sq" }))
        return 1250;
    if (language == QLatin1String("el"))
        return 1253;
    if (language == QLatin1String("tr"))
        return 1254;
    if (oneOf(language, { "he", "yi" }))
        return 1255;
    if (oneOf(language, { "ar", "fa", "ur" }))
        return 1256;
    if (oneOf(language, { "lt", "lv", "et" }))
        return 1257;
    if (language == QLatin1String("vi"))
        return 1258;
    if (language == QLatin1String("th"))
        return 874;
    return 1252;
}

int forEnvironment(const QProcessEnvironment& environment)
{
    for (const char* name : { "LC_ALL", "LC_CTYPE", "LANG" }) {
        const QString value = environment.value(QLatin1String(name));
        if (!value.isEmpty())
            return forLocale(value);
    }
    return 1252;
}

bool isSupported(int codePage)
{
    return codecName(codePage) != nullptr;
}

int forWinamp(const QString& stored, const QProcessEnvironment& environment)
{
    // A value that names no table Wine would use is a typing slip: the locale still knows.
    bool number = false;
    const int codePage = stored.trimmed().toInt(&number);
    return number && isSupported(codePage) ? codePage : forEnvironment(environment);
}

int current()
{
    return forWinamp(SettingsKeys::read(SettingsKeys::winampCodePage), QProcessEnvironment::systemEnvironment());
}

std::optional<QByteArray> encode(const QString& text, int codePage)
{
    const char* name = codecName(codePage);
    if (!name)
        return std::nullopt;
    QStringEncoder encoder(name, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.isValid() || encoder.hasError())
        return std::nullopt;
    // A best fit encodes without complaint but reads back as another character.
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    const QString back = decoder.decode(bytes);
    if (decoder.hasError() || back != text)
        return std::nullopt;
    return bytes;
}

std::optional<QString> decode(const QByteArray& bytes, int codePage)
{
    const char* name = codecName(codePage);
    if (!name)
        return std::nullopt;
    QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    return QString(decoder.decode(bytes));
}

} // namespace WineCodePage
