// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal window of type T from inside the event loop that shows it:
// the answer runs once that window is the active modal widget.
template<typename T> void answerModal(std::function<void(T*)> answer, int attempts = 2000)
{
    QTimer::singleShot(5, qApp, [answer = std::move(answer), attempts] {
        if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
            answer(modal);
            return;
        }
        if (attempts > 0)
            answerModal<T>(answer, attempts - 1);
    });
}
