// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"
#include "platform/programentry.h"

int main(int argc, char* argv[])
{
    const ProgramEntry::Program program { QStringLiteral("hadrel"),
        QStringLiteral("展開した Winamp 2 の Skin を一覧・プレビューし、WINAMP で使います。") };
    return ProgramEntry::run(argc, argv, program, &Startup::run);
}
