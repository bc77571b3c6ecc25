// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/renamesession.h"

bool RenameSession::enter(const Box& box)
{
    if (m_committing)
        return false;
    if (box.cell == m_cell && box.typed)
        return false;
    m_cell = box.cell;
    m_oldName = box.text;
    return true;
}

QString RenameSession::skinOf(const Box& box) const
{
    return box.cell == m_cell && box.typed ? m_oldName : box.text;
}

RenameSession::Commit RenameSession::commitOf(const Box& box) const
{
    if (m_committing || box.cell != m_cell || !box.typed)
        return Commit::Nothing;
    return box.text == m_oldName ? Commit::Unchanged : Commit::Rename;
}

RenameSession::Outcome RenameSession::outcomeOf(const RunError& error)
{
    if (!error)
        return Outcome::Renamed;
    return error.number == Error::FileNotFound ? Outcome::BadName : Outcome::Failure;
}

void RenameSession::endCommit(const Box& after)
{
    if (!after.typed)
        m_oldName = after.text;
    m_committing = false;
}
