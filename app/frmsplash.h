// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;

// The About window, also shown as the splash at start-up. Its design state is
// disabled with the hourglass pointer; the About role enables it and closes on a click.
class frmSplash : public QDialog
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    // The About role: arrow pointers, enabled, modal until a click anywhere on it.
    int execAbout();

    QLabel* picLogo = nullptr;
    QLabel* lblProductName = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* lblWarning = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPixmap m_background;
};
