// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/frmmain.h"
#include "app/picturejobs.h"
#include "app/previewcell.h"
#include "skins/pagestate.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// A real main window on a skin folder of the test's own, counting the pictures it reads.
class GridWindow
{
public:
    explicit GridWindow(const QString& folder)
        : window(state, program.path())
    {
        // The reads are counted in order, each page's before its handler returns.
        PictureJobs::setSynchronous(true);
        window.loadPicture = [this](const QString& path) {
            loaded.append(path);
            if (onLoad)
                onLoad();
            return PreviewImage::load(path);
        };
        window.makeCurrentFolder(TestSupport::slashed(folder));
        window.Skin_Rescan();
    }

    bool hasPicture(int cell) const { return !window.Skin_Preview[cell]->pixmap().isNull(); }

    bool showActive()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }

    QTemporaryDir program;
    PageState state;
    frmmain window;
    QStringList loaded;
    std::function<void()> onLoad;
};

inline QString numberedSkin(int i)
{
    return QStringLiteral("Skin%1").arg(i, 2, 10, QLatin1Char('0'));
}

inline QColor numberedSkinColour(int i)
{
    return QColor::fromHsv((i * 37) % 360, 200, 100 + (i * 13) % 150);
}

// Skins Skin00, Skin01... each with a main.bmp of its own colour.
inline bool makeNumberedSkins(const QString& folder, int count)
{
    for (int i = 0; i < count; ++i) {
        if (!TestSupport::makeSkin(folder, numberedSkin(i), QStringLiteral("main.bmp"), numberedSkinColour(i)))
            return false;
    }
    return true;
}

// Answers the next modal window or pop-up from inside its event loop: polls until one is
// open, then hands it to answer once.
inline void whenOpen(QObject* context, std::function<void(QWidget*)> answer)
{
    auto* timer = new QTimer(context);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, context, [timer, answer] {
        QWidget* open = QApplication::activePopupWidget();
        if (!open)
            open = QApplication::activeModalWidget();
        if (!open)
            return;
        timer->stop();
        timer->deleteLater();
        answer(open);
    });
    timer->start();
}

// A double-click as the window system delivers it: a click, then the second press as a
// double-click event, then its release. (QTest::mouseDClick alone sends only the middle.)
inline void doubleClick(QWidget* widget, QPoint pos = QPoint())
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

// The entries a menu shows, separators as "-".
inline QStringList visibleEntries(const QMenu* menu)
{
    QStringList entries;
    const auto actions = menu->actions();
    for (const QAction* action : actions) {
        if (action->isVisible())
            entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return entries;
}
