// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "skins/skinfiles.h"

#include <QDialog>
#include <QImage>

#include <functional>

class PictureJobs;
class QLabel;
class QPushButton;

// One skin as Winamp draws it: main window, equalizer and playlist editor stacked as in
// Winamp's default layout, every pixel shown as a block of 1 or 2, and a close button.
// It shows at once and draws the skin when it has been read and composed off the
// window's thread. Keys 1 and 2 switch the scale; Escape closes it.
class WinampLookView : public QDialog
{
    Q_OBJECT
public:
    // The three windows, in skin pixels.
    static constexpr QSize lookSize { 275, 3 * 116 };

    // skinFolder ends with a separator; name goes into the title.
    WinampLookView(const QString& skinFolder, const QString& name, QWidget* parent = nullptr);
    // The skin's files as files() reads them, off the window's thread: it must hold
    // everything it uses.
    WinampLookView(std::function<SkinFiles()> files, const QString& name, QWidget* parent = nullptr);

    // The scale the window opens at: the remembered one ("1" or "2"), else 2; never 2
    // when the window at 2x, heightAt2x with its title bar, is taller than the screen's
    // available height.
    static int openingScale(const QString& remembered, int heightAt2x, int availableHeight);
    // The available height of the screen a window shows on; tests set a short screen.
    static std::function<int(const QWidget* window)> availableHeight;

    int scale() const { return m_scale; }
    void setScale(int scale);
    // Says above the picture that the skin carries programs.
    void setProgramsWarning(const QString& text);
    // Whether the composed picture has come.
    bool pictureShown() const { return !m_look.isNull(); }

    QLabel* Look_Picture = nullptr;
    QLabel* Programs_Warning = nullptr; // hidden unless the skin carries programs
    QPushButton* Close_Button = nullptr;

signals:
    // The user chose a scale with a key; the caller remembers it.
    void scaleChosen(int scale);
    void pictureReady();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showLook();

    PictureJobs* m_jobs = nullptr;
    QImage m_look;
    int m_scale = 2;
};
