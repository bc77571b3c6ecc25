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

// While it lives, answers every modal window of type T that opens (by answer), and
// counts them; for the steps that must, or must not, ask the user anything.
template<typename T> class ModalWatcher
{
public:
    explicit ModalWatcher(std::function<void(T*)> answer)
        : m_answer(std::move(answer))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
                ++m_count;
                m_answer(modal);
            }
        });
        m_timer.start();
    }
    int count() const { return m_count; }

private:
    std::function<void(T*)> m_answer;
    QTimer m_timer;
    int m_count = 0;
};
