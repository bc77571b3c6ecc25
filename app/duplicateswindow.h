// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class PictureJobs;
class QAbstractButton;
class QAction;
class QButtonGroup;
class QLabel;
class QMenu;
class QPushButton;
class QVBoxLayout;
class SkinIndex;
class UndoHistory;

// 「重複を探す」: the groups of identical and of look-alike skins of the registered folders,
// each skin with its picture, folder, size and year. In each group the user keeps one and
// sends the others to the trash.
class DuplicatesWindow : public QWidget
{
    Q_OBJECT
public:
    struct Skin
    {
        QString folder; // ends with a separator
        QString name;
        qint64 size = 0;
        int year = 0; // 0 when unknown
    };
    struct Group
    {
        bool identical = false;
        QList<Skin> skins;
    };

    DuplicatesWindow(SkinIndex* index, QWidget* parent);

    // Asks the index again and shows what it finds.
    void refresh();
    const QList<Group>& groups() const { return m_groups; }
    // The buttons of group i: one radio button 「残す」 per skin, and the trash button.
    QList<QAbstractButton*> keepButtons(int group) const;
    QPushButton* trashButton(int group) const;
    QLabel* summary = nullptr;

    // The delete of the File menu; tests count it.
    std::function<RunError(const QString& folder, const QString& name, QString* inTrash)> deleteSkin;
    // Where the deletes are recorded, so that they can be taken back; none when null.
    UndoHistory* undo = nullptr;
    // Shows a skin's picture; off the window's thread, so it may hold only what it uses.
    std::function<QImage(const QString& path)> loadPicture;

    // The group's skins but the one kept go to the trash, after the user agreed.
    void trashOthers(int group);

signals:
    // Skins of these folders went to the trash.
    void skinsTrashed(const QStringList& folders);

private:
    struct Shown
    {
        QWidget* box = nullptr;
        QButtonGroup* keep = nullptr;
        QPushButton* trash = nullptr;
    };
    void showGroups();
    QWidget* groupBox(int group);

    SkinIndex* m_index;
    QList<Group> m_groups;
    QList<Shown> m_shown;
    QWidget* m_contents = nullptr;
    QVBoxLayout* m_list = nullptr;
    PictureJobs* m_jobs = nullptr;
    QList<QLabel*> m_pictures; // the label of each read of the last batch
    bool m_partial = false;
};

// The View menu's 「重複を探す」: the window, made on first use and asked again each time.
class DuplicatesCommand : public QObject
{
    Q_OBJECT
public:
    DuplicatesCommand(QMenu* viewMenu, SkinIndex* index, UndoHistory* undo, QWidget* window);
    QAction* action = nullptr;
    DuplicatesWindow* window();

signals:
    void skinsTrashed(const QStringList& folders);

private:
    SkinIndex* m_index;
    UndoHistory* m_undo;
    QWidget* m_owner;
    DuplicatesWindow* m_window = nullptr;
};
