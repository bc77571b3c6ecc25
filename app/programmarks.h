// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QListWidget;
class QListWidgetItem;
class SkinIndex;

// Skins that carry programs or scripts, marked in the skin list: published skins have
// been found carrying executables, and no skin needs one.
class ProgramMarks : public QObject
{
    Q_OBJECT
public:
    static QString warning() { return QStringLiteral("プログラムを含むSkinです。中のファイルを実行しないでください。"); }

    // folder: the current skin folder, whose skins the list holds.
    ProgramMarks(QListWidget* list, SkinIndex* index, std::function<QString()> folder);
    // After the list was filled again.
    void mark();
    bool holdsPrograms(const QString& folder, const QString& name) const;

private:
    QListWidget* m_list;
    SkinIndex* m_index;
    std::function<QString()> m_folder;
};
