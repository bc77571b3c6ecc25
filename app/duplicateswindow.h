// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/runerror.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class DuplicateGroupsModel;
class DuplicateSkinsModel;
class IndexSnapshot;
class PictureJobs;
class QAction;
class QLabel;
class QListView;
class QMenu;
class QPushButton;
class QTimer;
class SkinIndex;
class UndoHistory;

// 「重複を探す」: the groups of identical and of look-alike skins of the registered folders;
// the skins of the chosen group, each with its picture, folder, size and year. In each
// group the user keeps one and sends the others to the trash. Both lists are views on
// the groups: a collection of any size shows at once, and only the pictures in sight are read.
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
        QList<int> rows; // into the snapshot asked
        int kept = 0; // the skin marked 「残す」
    };

    DuplicatesWindow(SkinIndex* index, QWidget* parent);
    ~DuplicatesWindow() override;

    // Asks the index again and shows what it finds.
    void refresh();
    const QList<Group>& groups() const { return m_groups; }
    Skin skin(int group, int i) const;
    QLabel* summary = nullptr;
    QListView* groupList = nullptr;
    QListView* skinList = nullptr; // of the current group; the checked one is kept
    QPushButton* trashButton = nullptr; // for the current group

    // The delete of the File menu; tests count it.
    std::function<RunError(const QString& folder, const QString& name, QString* inTrash)> deleteSkin;
    // Where the deletes are recorded, so that they can be taken back; none when null.
    UndoHistory* undo = nullptr;
    // Shows a skin's picture; off the window's thread, so it may hold only what it uses.
    std::function<QImage(const QString& path)> loadPicture;
    // Whether pictures of the skins in sight are still being read.
    bool picturesPending() const;

    // The group's skins but the one kept go to the trash, after the user agreed.
    void trashOthers(int group);

signals:
    // Skins of these folders went to the trash.
    void skinsTrashed(const QStringList& folders);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showGroups(int current);
    void showGroup(int group);
    void readPicturesInSight();

    SkinIndex* m_index;
    std::shared_ptr<const IndexSnapshot> m_snapshot; // whose rows the groups hold
    QList<Group> m_groups;
    DuplicateGroupsModel* m_groupModel = nullptr;
    DuplicateSkinsModel* m_skinModel = nullptr;
    PictureJobs* m_jobs = nullptr;
    QTimer* m_sight = nullptr; // reads what came into sight, once the view settled
    QList<int> m_reading; // the skin of each read of the last batch
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
