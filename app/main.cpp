// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/openpath.h"
#include "app/startup.h"
#include "platform/programentry.h"

int main(int argc, char* argv[])
{
    const ProgramEntry::Program program { QStringLiteral("hadrel"),
        QStringLiteral(
            "Winamp 2 の Skin（フォルダ、または .wsz/.zip アーカイブ）を一覧・プレビューし、WINAMP で使います。"),
        QStringLiteral("PATH"),
        QStringLiteral("  Skin（フォルダかアーカイブ）なら、それのあるフォルダを開いてその Skin を選びます。\n"
                       "  登録フォルダの外の Skin なら、続けて登録フォルダへのコピーを勧めます。\n"
                       "  ほかのフォルダなら、そのフォルダを開きます。登録フォルダは変わりません。\n"
                       "  Hadrel が既に動いていれば、そのウィンドウに渡して前に出します。\n"
                       "  Skin でもフォルダでもなければ、そう知らせて状態 2 で終わります。\n"),
        &OpenPath::refusal };
    return ProgramEntry::run(argc, argv, program, &Startup::run);
}
