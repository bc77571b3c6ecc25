// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QList>
#include <QString>

#include <functional>

// What this session did to the user's skins, newest last, so that each step can be taken
// back in turn: a skin moved (added, dropped, renamed) goes back where it came from, a
// skin deleted comes back from the desktop's trash, a folder made by unpacking goes into
// the trash. Nothing is ever replaced, and an undo that cannot be done changes nothing.
class UndoHistory
{
public:
    enum class Kind { Add, Drop, Delete, Rename, Unpack };

    struct Change
    {
        enum class Type {
            Moved, // from was moved to to
            Trashed, // from was moved into the trash, where it is to
            Made, // to was made anew (from is empty)
        };
        Type type = Type::Moved;
        QString from;
        QString to;
    };

    // One step, taken back as a whole: an add of several skins is one step. A step
    // without changes is not kept.
    void record(Kind kind, const QList<Change>& changes);
    void recordMoved(Kind kind, const QString& from, const QString& to)
    {
        record(kind, { { Change::Type::Moved, from, to } });
    }

    // The one call for any command that deletes a skin: original is where it was, inTrash
    // where Trash::moveToTrash put it. Each call is a step of its own.
    void recordDeleted(const QString& original, const QString& inTrash)
    {
        record(Kind::Delete, { { Change::Type::Trashed, original, inTrash } });
    }

    // The newest step took away the skin Winamp uses: its undo says so, so that the skin
    // brought back is given to Winamp again.
    void markInUse()
    {
        if (!m_steps.isEmpty())
            m_steps.last().inUse = true;
    }

    bool isEmpty() const { return m_steps.isEmpty(); }
    int size() const { return int(m_steps.size()); }

    // The menu text: "元に戻す(&Z)" and what the next undo takes back.
    QString caption() const;

    // Told after every record and undo, for the menu item that shows caption().
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    // Takes back the newest step. First every change is checked (what is to come back is
    // there, its place is free); when one cannot be done nothing is touched, the step is
    // kept and the failure names the path concerned as its detail ("path: cause").
    // back receives where the step's first skin is again (empty when it went to the trash);
    // inUse whether that skin was Winamp's when the step took it away.
    RunError undo(QString* back = nullptr, bool* inUse = nullptr);

private:
    struct Step
    {
        Kind kind;
        QList<Change> changes;
        bool inUse = false;
    };
    void changed() const
    {
        if (m_onChange)
            m_onChange();
    }

    QList<Step> m_steps;
    std::function<void()> m_onChange;
};
