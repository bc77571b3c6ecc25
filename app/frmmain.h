// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/collectionoffer.h"
#include "app/openpath.h"
#include "app/renamesession.h"
#include "ops/undohistory.h"
#include "settings/optfrmholder.h"
#include "settings/settingshost.h"
#include "skins/pagestate.h"
#include "skins/previewimage.h"
#include "skins/winamplook.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class CopyOffer;
class LookGrid;
class QAction;
class QLabel;
class QListWidget;
class QMenu;
class NameBox;
class PreviewCell;
class PreviewGrid;
class QListWidgetItem;
class ListFollower;
class DuplicatesCommand;
class FindCommands;
class IndexLink;
class ProgramMarks;
class SearchWindow;
class SimilarSkins;
class SelectFrame;
class StatusPanels;
class WinampRemote;

// The one main window. Its controls keep the names the program has always given them
// (Skin_Lst, Skin_Preview, SelectSq, file, view, Reg ...): underscores join words, indexed
// arrays stand for rows of alike controls. The handlers live in one file per area.
class frmmain : public QMainWindow, public SettingsHost
{
    Q_OBJECT
public:
    static constexpr int cellCount = PageState::cellCount;

    // programFolder: the folder of the running program (html/ beside it).
    frmmain(PageState& state, const QString& programFolder, QWidget* parent = nullptr);
    ~frmmain() override;

    // The load step, run once at start-up before the window is shown.
    void load();
    // Set before load: shown instead of registered folder 0 (a path on the command line).
    std::optional<OpenPath::Target> startTarget;
    // Makes the target's folder current, without touching the registered folders, and
    // selects its skin.
    void openTarget(const OpenPath::Target& target);

    // Controls, by their design names.
    QListWidget* Skin_Lst = nullptr;
    std::array<PreviewCell*, cellCount> Skin_Preview {};
    std::array<NameBox*, cellCount> Skin_Name {};
    SelectFrame* SelectSq = nullptr;
    StatusPanels* WINAMP_Path = nullptr;

    QMenu* FileMenu = nullptr;
    QAction* Open_ = nullptr;
    std::array<QAction*, 8> file {};
    QAction* mnuLook = nullptr; // the skin as Winamp draws it; context menu only
    // Unpacks the framed archive beside itself; in the context menu of archives only.
    QAction* mnuUnpack = nullptr;
    // Takes back the newest add, drop, delete, rename or unpack; names it, Ctrl+Z.
    QAction* mnuUndo = nullptr;
    QMenu* ViewMenu = nullptr;
    std::array<QAction*, 4> view {};
    QMenu* RegMenu = nullptr; // the submenu that view(1) opens
    std::array<QAction*, 5> Reg {};
    // Checked: the previews show each skin as Winamp draws it. Setting it reloads the page
    // shown; only the user's own choice is stored.
    QAction* mnuLookGrid = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpBar1 = nullptr;
    QAction* mnuHelpAbout = nullptr;
    // Finding a skin: the search window, a random skin, the readme (context menu only).
    QAction* mnuFind = nullptr;
    QAction* mnuRandom = nullptr;
    QAction* mnuReadme = nullptr;
    // What those three items do, and the search window.
    FindCommands* finder = nullptr;

    // The current skin folder: the text of panel "path", and nowhere else.
    QString currentFolder() const;
    // Sets panel "path" and the caption "Hadrel - " plus the folder.
    void makeCurrentFolder(const QString& folder) override;
    // The Winamp folder: the text of the settings dialog's Amp_Path (created from the
    // store when it does not exist).
    QString ampPath();
    PageState& state() { return m_state; }

    // The cell the selection frame stands on (first match by position), or -1.
    int selectedCell() const;
    // The name a name box held when it gained the focus, or after a rename its new name.
    QString Rename_Old() const { return m_rename.oldName(); }

    // Reads a skin picture for a preview cell or the enlarged view; tests swap it to
    // count the files read. Both run off the window's thread, so they may not touch it.
    using PictureLoad = std::function<QImage(const QString& path)>;
    PictureLoad loadPicture = &PreviewImage::load;
    // Composes a preview as Winamp draws the skin at skinPath (a folder or an archive).
    PictureLoad loadLook = &WinampLook::mainWindowOfSkin;
    // Whether pictures of the page shown are still being read.
    bool picturesPending() const;

    // The settings dialog and the folder settings it holds.
    OptFrmHolder& settings();
    std::array<QAction*, 5> regEntries() override { return Reg; }
    // The failure trap of the load step, by the failure's number.
    void loadFailed(const RunError& error);

    // The skin list, rescanned from the current folder.
    void Skin_Rescan() override;

    // Handlers that tests drive directly.
    void skinListSelectionChanged();
    void skinListDoubleClicked();
    void previewDoubleClicked(int cell);
    // Adds dropped folders and skin archives, rescans once and selects the last added
    // skin. A few items report each failure in a box of its own; more show a progress
    // window that can stop before the next item, and one box of all the failures.
    void addDroppedSkins(const QStringList& paths);
    // The listed skin Winamp uses, read after each scan and each apply; empty when none.
    QString skinInUse() const { return m_inUse; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Folders and skin archives dropped onto the window are added to the current folder.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString programFolder() const { return m_programFolder; }
    // The View menu's settings command: the dialog modally, a failed save reported.
    void openSettings();
    void Skin_Scan();
    void SelectSq_Place();
    void reloadGrid();
    RenameSession::Box nameBoxState(int cell) const;

    void previewClicked(int cell);
    void previewRightPressed(int cell);
    void fileTriggered(int index);
    void lookTriggered();
    void unpackTriggered();
    void openFolderTriggered();
    // Number and description on two lines, then what failed and why: no icon, titled with
    // the program's name.
    void showFailure(const RunError& error, const QString& what);
    void nameClicked(int cell);
    void nameFocusGained(int cell);
    void nameEnterPressed(int cell);
    void nameFocusLost(int cell);
    void nameEscapePressed(int cell);
    void undoTriggered();
    void viewTriggered(int index);
    void regTriggered(int index);
    void helpContentsTriggered();
    void helpAboutTriggered();

    void buildControls();
    void buildMenus();
    void connectEvents();
    void setupDrops();
    QLabel* panel(const QString& key) const;
    void addSkinCommand(const QString& folder);
    QString cellSkinName(int cell) const;
    // Selects the listed skin of that exact name, when there is one.
    void selectListed(const QString& name);
    void selectNameSkin(int cell);
    void commitName(int cell);
    // Puts the focus into the box showing skin after a commit, or into the list when no
    // box of the page shown does.
    void focusSkinName(const QString& skin);
    bool focusAwayFromWindow() const;
    RunError loadSteps();
    void saveSettingsAtExit();
    void reportUnsavedSettings();
    void buildFind();
    void skinsListed(const QStringList& names);
    void refreshInUse();
    void showInUse(const QString& name);
    void markInUseNames();
    void showApplyFailure(const RunError& error);
    // Points winamp.ini and a running Winamp at skin of the current folder (empty: its
    // base skin); Start also brings Winamp forward, or starts it when none runs.
    enum class WinampUse { Apply, Start };
    void useInWinamp(const QString& skin, WinampUse use);
    void buildWinampLink();
    QString reachableAmp();
    // Marks the skin a running Winamp reports, once it has answered.
    void askWinampInUse();
    void buildFollow();
    void listFollowed(const QStringList& names);
    void showCount();
    // The names page shows, one per cell, empty past the last skin.
    QStringList pageNames(int page) const;
    void showFound(const QString& folder, const QString& name);
    void buildCollection();
    QStringList registeredFolders() const;

    PageState& m_state;
    QString m_programFolder;
    std::unique_ptr<OptFrmHolder> m_settings;
    PreviewGrid* m_grid = nullptr;
    RenameSession m_rename;
    LookGrid* m_lookGrid = nullptr;
    UndoHistory m_undo;
    CollectionOffer m_offer;
    QStringList m_listed; // the names the last scan put into Skin_Lst
    QString m_inUse;
    QListWidgetItem* m_inUseItem = nullptr;
    ListFollower* m_follower = nullptr;
    std::unique_ptr<CopyOffer> m_copyOffer;
    WinampRemote* m_remote = nullptr;
    IndexLink* m_indexLink = nullptr;
    ProgramMarks* m_programMarks = nullptr;
    SimilarSkins* m_similar = nullptr;
    DuplicatesCommand* m_duplicates = nullptr;
};
