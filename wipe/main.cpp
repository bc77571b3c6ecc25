// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/programentry.h"
#include "wipe/wipe.h"

int main(int argc, char* argv[])
{
    const ProgramEntry::Program program { QStringLiteral("hadrelwipe"),
        QStringLiteral("設定ストアから「Morvane」の設定をすべて削除し、結果を知らせます。"), {}, {}, {} };
    return ProgramEntry::run(argc, argv, program, [](QApplication&, const QString&) { return Wipe::run(); });
}
