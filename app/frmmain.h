// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pagestate.h"

#include <QMainWindow>

#include <array>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class NameBox;
class PreviewCell;
class SelectFrame;
class StatusPanels;

// The one main window. Its controls keep their design names, so a reader holding the
// window's description finds each by name; the handlers live in one file per area.
class frmmain : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int cellCount = PageState::cellCount;

    // programFolder: the folder of the running program (trash/ and html/ beside it).
    frmmain(PageState& state, const QString& programFolder, QWidget* parent = nullptr);
    ~frmmain() override;

    // The load step, run once at start-up before the window is shown.
    void load();

    // Controls, by their design names.
    QListWidget* Skin_Lst = nullptr;
    std::array<PreviewCell*, cellCount> Skin_Preview {};
    std::array<NameBox*, cellCount> Skin_Name {};
    SelectFrame* SelectSq = nullptr;
    StatusPanels* WINAMP_Path = nullptr;

    QMenu* FileMenu = nullptr;
    QAction* Open_ = nullptr;
    std::array<QAction*, 8> file {};
    QMenu* ViewMenu = nullptr;
    std::array<QAction*, 4> view {};
    QMenu* RegMenu = nullptr; // the submenu that view(1) opens
    std::array<QAction*, 5> Reg {};
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpContents = nullptr;
    QAction* mnuHelpBar1 = nullptr;
    QAction* mnuHelpAbout = nullptr;

    // The current skin folder: the text of panel "path", and nowhere else.
    QString currentFolder() const;
    // Sets panel "path" and the caption "Hadrel - " plus the folder.
    void makeCurrentFolder(const QString& folder);
    QString programFolder() const { return m_programFolder; }
    // The Winamp folder: the text of the settings dialog's Amp_Path (created from the
    // store when it does not exist).
    QString ampPath();
    PageState& state() { return m_state; }

    // The cell the selection frame stands on (first match by position), or -1.
    int selectedCell() const;
    // The name a name box held when it gained the focus, or after a rename its new name.
    QString Rename_Old;
    // The add command's folder chooser: the chosen folder's path, "" when cancelled.
    // Tests swap it; it stands in for the shared chooser until that is merged.
    static QString (*addFolderChooser)(QWidget* owner, const QString& title);

    // Skin list and preview grid.
    void Skin_Rescan();
    void Skin_Scan();
    void SelectSq_Place();

    // Event handlers.
    void skinListSelectionChanged();
    void skinListDoubleClicked();
    void previewClicked(int cell);
    void previewDoubleClicked(int cell);
    void previewRightPressed(int cell);
    void fileTriggered(int index);
    void openFolderTriggered();
    void nameClicked(int cell);
    void nameFocusGained(int cell);
    void nameEnterPressed(int cell);
    void nameFocusLost(int cell);
    void viewTriggered(int index);
    void regTriggered(int index);
    void helpContentsTriggered();
    void helpAboutTriggered();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectEvents();
    QLabel* panel(const QString& key) const;
    void addSkinCommand(const QString& folder);
    QString cellSkinName(int cell) const;
    void selectNameSkin(int cell);
    void commitName(int cell);
    bool focusAwayFromWindow() const;

    PageState& m_state;
    QString m_programFolder;
    // While the scan clears the list, its selection signals must not reach the grid.
    bool m_scanning = false;
    // The name box Rename_Old belongs to; a commit's message box must not start another.
    int m_renameCell = -1;
    bool m_committing = false;
};
