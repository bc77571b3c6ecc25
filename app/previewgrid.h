// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "skins/pagestate.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <functional>

class NameBox;
class PictureJobs;
class PreviewCell;
class SelectFrame;

// The twelve previews with their name boxes and the selection frame, SelectSq.
class PreviewGrid : public QWidget
{
    Q_OBJECT
public:
    static constexpr int cellCount = PageState::cellCount;

    // Laid out in the parent's coordinates from left, so that the cells stand where the
    // design puts them.
    PreviewGrid(QWidget* parent, int left, int height);

    PreviewCell* preview(int cell) const { return m_previews[cell]; }
    NameBox* nameBox(int cell) const { return m_names[cell]; }
    SelectFrame* frame() const { return m_frame; }

    // Empties every cell (pictures and names) and puts the frame on the first cell.
    void empty();
    // Shows names[i] in cell i at once, and its picture when picture(name) has read it
    // off the window's thread, in cell order; a cell without a name stays empty and
    // disabled. picture must hold everything it uses. The pictures of the page shown
    // before are dropped. No box reports focus changes meanwhile.
    void reload(const QStringList& names, const std::function<QImage(const QString& name)>& picture);
    // The names the cells show, one per cell.
    QStringList names() const;
    // Whether pictures of the page shown are still being read.
    bool picturesPending() const;
    // Puts the frame on the first cell showing name; it stays where it is when none does.
    void placeFrame(const QString& name);
    // The cell the frame stands on (first match by position), or -1.
    int selectedCell() const;
    // Text the program puts into a box.
    void setName(int cell, const QString& text);
    // Gives a box the focus, as the user went there.
    void focusName(int cell, Qt::FocusReason reason);

signals:
    void previewClicked(int cell);
    void previewDoubleClicked(int cell);
    void previewRightPressed(int cell);
    void nameClicked(int cell);
    void nameFocusGained(int cell);
    void nameEnterPressed(int cell);
    void nameEscapePressed(int cell);
    void nameFocusLost(int cell);
    // Every picture of the page shown has been read.
    void picturesShown();

private:
    void showPicture(int read, const QImage& picture);

    std::array<PreviewCell*, cellCount> m_previews {};
    std::array<NameBox*, cellCount> m_names {};
    SelectFrame* m_frame = nullptr;
    PictureJobs* m_jobs = nullptr;
    QList<int> m_readCells; // the cell of each read of the page shown
};
