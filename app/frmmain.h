// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/openpath.h"
#include "app/renamesession.h"
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

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class NameBox;
class PreviewCell;
class PreviewGrid;
class QListWidgetItem;
class DuplicatesCommand;
class IndexLink;
class ProgramMarks;
class SearchWindow;
class SimilarSkins;
class SelectFrame;
class StatusPanels;

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
    QMenu* ViewMenu = nullptr;
    std::array<QAction*, 4> view {};
    QMenu* RegMenu = nullptr; // the submenu that view(1) opens
    std::array<QAction*, 5> Reg {};
    QAction* mnuLookGrid = nullptr; // checked: the previews as Winamp draws them
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpBar1 = nullptr;
    QAction* mnuHelpAbout = nullptr;
    // Finding a skin: the search window, a random skin, the readme (context menu only).
    QAction* mnuFind = nullptr;
    QAction* mnuRandom = nullptr;
    QAction* mnuReadme = nullptr;

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

    // Whether the previews show each skin as Winamp draws it; setting it reloads the page
    // shown. The menu item stores the user's choice; this does not.
    bool winampLook() const { return m_winampLook; }
    void setWinampLook(bool on);

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
    // 「Skinを探す」, made on first use and kept, so that it keeps its text.
    SearchWindow* searchWindow();
    void findTriggered();
    void randomTriggered();
    void readmeTriggered();
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
    void lookGridTriggered(bool on);
    void unpackTriggered();
    void openFolderTriggered();
    // Number and description on two lines, then what failed and why: no icon, titled with
    // the program's name.
    void showFailure(const RunError& error, const QString& what);
    void nameClicked(int cell);
    void nameFocusGained(int cell);
    void nameEnterPressed(int cell);
    void nameFocusLost(int cell);
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
    bool focusAwayFromWindow() const;
    RunError loadSteps();
    void saveSettingsAtExit();
    void reportUnsavedSettings();
    void buildFind();
    void skinsListed(const QStringList& names);
    void refreshInUse();
    void markInUseNames();
    void showFound(const QString& folder, const QString& name);
    void buildCollection();
    QStringList registeredFolders() const;

    PageState& m_state;
    QString m_programFolder;
    std::unique_ptr<OptFrmHolder> m_settings;
    PreviewGrid* m_grid = nullptr;
    RenameSession m_rename;
    bool m_winampLook = false;
    QStringList m_listed; // the names the last scan put into Skin_Lst
    SearchWindow* m_search = nullptr;
    QString m_inUse;
    QListWidgetItem* m_inUseItem = nullptr;
    IndexLink* m_indexLink = nullptr;
    ProgramMarks* m_programMarks = nullptr;
    SimilarSkins* m_similar = nullptr;
    DuplicatesCommand* m_duplicates = nullptr;
};
