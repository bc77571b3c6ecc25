// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <array>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The settings dialog: the Winamp folder and the five registered skin folders. Its
// fields are the program's working copy of those settings; OptFrmHolder creates it,
// fills it and acts on OK. The browse buttons fill a field and store nothing.
class Opt_Frm : public QDialog
{
    Q_OBJECT
public:
    static constexpr int slotCount = 5;

    // Created hidden and centred on the screen; owner keeps it off the task bar.
    explicit Opt_Frm(QWidget* owner = nullptr);

    QGroupBox* Frame1 = nullptr;
    QLineEdit* Amp_Path = nullptr;
    QPushButton* Amp_Locate = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<QLineEdit*, slotCount> Skin_Path {};
    std::array<QPushButton*, slotCount> Skin_Locate {};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // First run: the Winamp folders found are offered in Amp_Found (shown only then, the
    // first one filled in), and OK asks before keeping a folder without Winamp in it.
    void prepareFirstRun(const QStringList& found);
    QComboBox* Amp_Found = nullptr;

    // The six fields in the order of the store's table: Amp_Path, then Skin_Path(0..4).
    std::array<QLineEdit*, 1 + slotCount> folderFields() const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void centreOnScreen();
    void ampLocateClicked();
    void skinLocateClicked(int index);
    void okClicked();

    bool m_firstRun = false;
};
