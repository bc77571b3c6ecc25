// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/messages.h"

#include <QStringList>

// While it lives, every message box is answered with OK at once and kept here.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        Messages::setAnswerer([this](const Messages::Box& box) {
            seen.append(box);
            return QMessageBox::Ok;
        });
    }
    ~BoxRecorder() { Messages::setAnswerer({}); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    QStringList texts() const
    {
        QStringList result;
        for (const Messages::Box& box : seen)
            result.append(box.text);
        return result;
    }

    QList<Messages::Box> seen;
};
