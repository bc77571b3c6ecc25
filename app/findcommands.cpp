// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/findcommands.h"

#include "app/hourglass.h"
#include "app/readmewindow.h"
#include "app/searchwindow.h"
#include "skins/skinreadme.h"
#include "skins/skinsearch.h"

#include <QListWidget>
#include <QRandomGenerator>

FindCommands::FindCommands(QWidget* window, QListWidget* list, Hooks hooks)
    : QObject(window)
    , m_window(window)
    , m_list(list)
    , m_hooks(std::move(hooks))
{
}

SearchWindow* FindCommands::searchWindow()
{
    if (!m_search) {
        m_search = new SearchWindow(m_window);
        m_search->setSkins(m_hooks.folder(), m_names);
        m_hooks.made(m_search);
    }
    return m_search;
}

void FindCommands::setSkins(const QStringList& names)
{
    m_names = names;
    if (m_search)
        m_search->setSkins(m_hooks.folder(), names);
}

void FindCommands::find()
{
    searchWindow()->bringUp();
}

void FindCommands::random()
{
    const int row = SkinSearch::randomRow(m_list->count(), m_list->currentRow(), *QRandomGenerator::global());
    if (row >= 0)
        m_list->setCurrentRow(row);
}

void FindCommands::readme()
{
    const QString name = m_hooks.framedSkin();
    if (name.isEmpty())
        return;
    QString text;
    {
        Hourglass hourglass;
        const QString skin = m_hooks.folder() + name;
        text = SkinReadme::decode(SkinReadme::read(skin, SkinReadme::find(skin)));
    }
    auto* window = new ReadmeWindow(name, text, m_window);
    window->show();
}
