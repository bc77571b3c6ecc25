// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

// One Skin_Preview image: stretches its picture, reports clicks, double-clicks and
// right-button presses.
class PreviewCell : public QLabel
{
    Q_OBJECT
public:
    explicit PreviewCell(QWidget* parent = nullptr);

signals:
    void clicked();
    void doubleClicked();
    void rightPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool m_leftPressed = false;
};

// One Skin_Name box: its click, focus and Enter events for the inline rename.
class NameBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit NameBox(QWidget* parent = nullptr);

    // Bold, with the tooltip 「Winampで使用中」, while Winamp uses the skin of this name.
    void setInUse(bool inUse);
    bool isInUse() const { return m_inUse; }

signals:
    void clicked();
    void focusGained();
    void focusLost();
    void enterPressed();
    void escapePressed();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The whole name as the tooltip when the box cuts it off.
    bool event(QEvent* event) override;

private:
    bool m_inUse = false;
};

// SelectSq: a rectangle outline, 4 px wide, moved by its top-left corner only.
class SelectFrame : public QWidget
{
    Q_OBJECT
public:
    explicit SelectFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
