// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <functional>

class PictureJobs;
class QImage;
class QLabel;
class QPushButton;

// The enlarged view of one skin's main.bmp: the picture and a close button, nothing
// else. Made afresh for every opening, so no picture or caption outlives it.
class Big_View : public QDialog
{
    Q_OBJECT
public:
    explicit Big_View(QWidget* parent = nullptr);

    // Runs read off the window's thread and shows its picture, stretched over Big_Skin,
    // when it comes (a null image leaves it empty); the view is usable meanwhile. read must
    // hold everything it uses.
    void loadPicture(std::function<QImage()> read);

    QLabel* Big_Skin = nullptr;
    QPushButton* Close_Button = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    PictureJobs* m_jobs = nullptr;
};
