// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QListWidget;
class QWidget;
class SearchWindow;

// 「Skinを探す」, a random skin and a skin's readme, for the main window that holds this.
class FindCommands : public QObject
{
    Q_OBJECT
public:
    struct Hooks
    {
        std::function<QString()> folder; // the current skin folder
        std::function<QString()> framedSkin; // the skin the frame stands on, or empty
        std::function<void(SearchWindow*)> made; // connects a search window just made
    };
    // list: the skin list a random pick and a found skin select in.
    FindCommands(QWidget* window, QListWidget* list, Hooks hooks);

    // Made on first use and kept, so that it keeps its text.
    SearchWindow* searchWindow();
    // The names the last scan listed; the search window follows them.
    void setSkins(const QStringList& names);

    void find();
    void random();
    void readme();

private:
    QWidget* m_window;
    QListWidget* m_list;
    Hooks m_hooks;
    QStringList m_names;
    SearchWindow* m_search = nullptr;
};
