// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QString>

// The inline rename of a name box, without the boxes: which box is being edited, the name
// it renames from, and what a commit does. The window feeds it what the box holds.
class RenameSession
{
public:
    // What a box holds: its text, and whether the user typed it (not the program).
    struct Box
    {
        int cell = -1;
        QString text;
        bool typed = false;
    };

    // The user entered a box. True when that starts an edit, so the window selects the
    // box's skin; false when the box is still being edited (back from a message box, a
    // pop-up or a failed rename) or a commit is under way.
    bool enter(const Box& box);

    // The skin a box stands for: typed text not yet committed is no skin's name.
    QString skinOf(const Box& box) const;

    enum class Commit {
        Nothing, // not the edited box, nothing typed, or a commit already under way
        Unchanged, // typed back to the old name: only the typing is forgotten
        Rename, // rename oldName() to the box's text
    };
    Commit commitOf(const Box& box) const;

    // How a failed or successful rename is shown.
    enum class Outcome {
        Renamed, // the list is rescanned with the new name
        BadName, // "このファイル名は使えません", then the list is rescanned
        Failure, // the error's number and description
    };
    static Outcome outcomeOf(const RunError& error);

    // Brackets a rename: the rebuilt grid's focus moves and texts are no user's doing.
    void beginCommit() { m_committing = true; }
    // After a commit the box may show another skin: that is the one it renames next.
    void endCommit(const Box& after);

    QString oldName() const { return m_oldName; }
    int cell() const { return m_cell; }

private:
    int m_cell = -1;
    QString m_oldName;
    bool m_committing = false;
};
