// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// The runtime error numbers the handlers branch on and show to the user.
namespace Error {
enum Number : int {
    None = 0,
    InvalidCall = 5,
    FileNotFound = 53,
    FileAlreadyExists = 58,
    DiskFull = 61,
    PastEndOfFile = 62,
    RenameAcrossDisks = 74,
    PathAccess = 75,
    InvalidPropertyValue = 380,
};
} // namespace Error

// A failure as the handlers see it: its number and the text shown to the user.
struct RunError
{
    Error::Number number = Error::None;
    QString description;
    // What the system said about it (strerror), when it said anything: the box shows it.
    QString detail;
    // The path that failed when it is not the one the command named: the name in the way
    // of a move, the trash that is no folder.
    QString path;

    // What the failure concerns, for a command on named.
    QString concerns(const QString& named) const { return path.isEmpty() ? named : path; }

    bool failed() const { return number != Error::None; }
    explicit operator bool() const { return failed(); }

    static RunError none() { return {}; }
    static RunError fromNumber(Error::Number number) { return { number, standardDescription(number), {}, {} }; }
    static RunError fromNumber(Error::Number number, const QString& description)
    {
        return { number, description, {}, {} };
    }
    static RunError fromErrno(Error::Number number, int error, const QString& path = {})
    {
        return { number, standardDescription(number), qt_error_string(error), path };
    }

    static QString standardDescription(Error::Number number)
    {
        switch (number) {
        case Error::None:
            return {};
        case Error::InvalidCall:
            return QStringLiteral("プロシージャの呼び出し、または引数が不正です。");
        case Error::FileNotFound:
            return QStringLiteral("ファイルが見つかりません。");
        case Error::FileAlreadyExists:
            return QStringLiteral("既に同名のファイルが存在しています。");
        case Error::DiskFull:
            return QStringLiteral("ディスクの空き容量が不足しています。");
        case Error::PastEndOfFile:
            return QStringLiteral("ファイルにこれ以上データがありません。");
        case Error::RenameAcrossDisks:
            return QStringLiteral("異なるドライブ間で名前を変更することはできません。");
        case Error::PathAccess:
            return QStringLiteral("パス名またはファイル名が無効です。");
        case Error::InvalidPropertyValue:
            return QStringLiteral("プロパティの値が不正です。");
        }
        return QStringLiteral("アプリケーション定義またはオブジェクト定義のエラーです。");
    }
};
