// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/undohistory.h"

#include "platform/foldermove.h"
#include "platform/pathslash.h"
#include "platform/trash.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace {

bool present(const QString& path)
{
    struct stat st;
    return !path.isEmpty() && lstat(QFile::encodeName(withoutTrailingSlashes(path)).constData(), &st) == 0;
}

QString nameOf(const QString& path)
{
    return QFileInfo(withoutTrailingSlashes(path)).fileName();
}

RunError failure(Error::Number number, const QString& path, const QString& cause)
{
    RunError error = RunError::fromNumber(number);
    error.detail = path + QStringLiteral(": ") + cause;
    return error;
}

// Why change cannot be taken back, or nothing when it can.
RunError check(const UndoHistory::Change& change)
{
    using Type = UndoHistory::Change::Type;
    if (!present(change.to)) {
        return failure(Error::FileNotFound, change.to,
            change.type == Type::Trashed ? QStringLiteral("ごみ箱にありません") : QStringLiteral("見つかりません"));
    }
    if (change.type == Type::Made)
        return {};
    // The trash's own record says where it goes; without it nothing can be put back.
    const QString place = change.type == Type::Trashed ? Trash::originalPlace(change.to) : change.from;
    if (place.isEmpty())
        return failure(Error::FileNotFound, change.to, QStringLiteral("ごみ箱の情報(.trashinfo)がありません"));
    if (present(place))
        return failure(Error::FileAlreadyExists, place, QStringLiteral("元の場所に同じ名前のものがあります"));
    return {};
}

RunError takeBack(const UndoHistory::Change& change)
{
    using Type = UndoHistory::Change::Type;
    RunError error;
    switch (change.type) {
    case Type::Moved:
        error = FolderMove::moveFolder(change.to, change.from);
        // Added from another disk: it goes back the way it came.
        if (error.number == Error::RenameAcrossDisks && QFileInfo(change.to).isDir())
            error = FolderMove::moveAcross(change.to, change.from);
        return error ? failure(error.number, change.from, error.detail) : RunError();
    case Type::Trashed:
        error = Trash::restoreFromTrash(change.to);
        return error ? failure(error.number, change.from, error.detail) : RunError();
    case Type::Made:
        // Unpacked folders go to the trash, not away for good: the user may have added to it.
        error = Trash::moveToTrash(change.to);
        return error ? failure(error.number, change.to, error.detail) : RunError();
    }
    return {};
}

} // namespace

void UndoHistory::record(Kind kind, const QList<Change>& changes)
{
    if (changes.isEmpty())
        return;
    m_steps.append({ kind, changes, false });
    changed();
}

QString UndoHistory::caption() const
{
    const QString plain = QStringLiteral("元に戻す(&Z)");
    if (m_steps.isEmpty())
        return plain;
    const Step& step = m_steps.last();
    const Change& first = step.changes.first();
    const QString what = step.changes.size() > 1
        ? QStringLiteral("%1個のSkin").arg(step.changes.size())
        : QStringLiteral("「%1」").arg(nameOf(first.type == Change::Type::Made ? first.to : first.from));
    switch (step.kind) {
    case Kind::Add:
        return plain + QStringLiteral(" - %1の追加").arg(what);
    case Kind::Drop:
        return plain + QStringLiteral(" - %1のドロップ").arg(what);
    case Kind::Delete:
        return plain + QStringLiteral(" - %1の削除").arg(what);
    case Kind::Rename:
        return plain + QStringLiteral(" - %1の名前の変更").arg(what);
    case Kind::Unpack:
        return plain + QStringLiteral(" - %1の展開").arg(what);
    }
    return plain;
}

RunError UndoHistory::undo(QString* back, bool* inUse)
{
    if (m_steps.isEmpty())
        return RunError::fromNumber(Error::InvalidCall);
    const Step& step = m_steps.last();
    for (const Change& change : step.changes) {
        if (const RunError error = check(change))
            return error;
    }
    // Newest change first, so that changes on one path unwind in order.
    for (auto it = step.changes.crbegin(); it != step.changes.crend(); ++it) {
        if (const RunError error = takeBack(*it)) {
            // What was already taken back stays so; the rest remains to be undone.
            QList<Change> rest(step.changes.cbegin(), it.base());
            m_steps.last().changes = rest;
            changed();
            return error;
        }
    }
    const Change& first = step.changes.first();
    if (back)
        *back = first.type == Change::Type::Made ? QString() : first.from;
    if (inUse)
        *inUse = step.inUse;
    m_steps.removeLast();
    changed();
    return {};
}
