// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A failure as the handlers see it: the runtime error number they branch on
// (5, 53, 58, 74, 75, 380) and the text shown to the user.
struct RunError
{
    int number = 0;
    QString description;

    bool failed() const { return number != 0; }
    explicit operator bool() const { return failed(); }

    static RunError none() { return {}; }
    static RunError fromNumber(int number) { return { number, standardDescription(number) }; }
    static RunError fromNumber(int number, const QString& description) { return { number, description }; }

    static QString standardDescription(int number)
    {
        switch (number) {
        case 0:
            return {};
        case 5:
            return QStringLiteral("プロシージャの呼び出し、または引数が不正です。");
        case 53:
            return QStringLiteral("ファイルが見つかりません。");
        case 58:
            return QStringLiteral("既に同名のファイルが存在しています。");
        case 74:
            return QStringLiteral("異なるドライブ間で名前を変更することはできません。");
        case 75:
            return QStringLiteral("パス名またはファイル名が無効です。");
        case 380:
            return QStringLiteral("プロパティの値が不正です。");
        default:
            return QStringLiteral("アプリケーション定義またはオブジェクト定義のエラーです。");
        }
    }
};
