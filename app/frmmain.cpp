// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmmain.h"

#include "app/copyoffer.h"
#include "app/gridkeys.h"
#include "app/hourglass.h"
#include "app/lookgrid.h"
#include "app/previewcell.h"
#include "app/previewgrid.h"
#include "app/statuspanels.h"
#include "platform/twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QListWidget>
#include <QMenuBar>

namespace {

// The design is in twips; converted they are Qt's logical pixels.
constexpr int px(int twips)
{
    return Twips::toPixels(twips);
}

constexpr int clientWidth = px(9450);
constexpr int clientHeight = px(5730);
constexpr int statusHeight = px(270);

} // namespace

frmmain::frmmain(PageState& state, const QString& programFolder, QWidget* parent)
    : QMainWindow(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , m_state(state)
    , m_programFolder(programFolder)
    , m_offer(this, [this]() -> OptFrmHolder& { return settings(); })
{
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(QStringLiteral("Hadrel"));
    setWindowIcon(QIcon(QStringLiteral(":/hadrel/hadrel-128.png")));
    buildControls();
    buildMenus();
    connectEvents();
    buildWinampLink();
    setupDrops();
    buildFind();
    buildFollow();
    buildCollection();
    // The menu bar sits above the client area, as it does outside it on the original
    // desktop; the window never reflows.
    setFixedSize(clientWidth, clientHeight + menuBar()->sizeHint().height());
}

frmmain::~frmmain()
{
    // The controls go after this class's part of the window: a name box losing the focus
    // then must not reach a handler of a window that is no longer there.
    const QList<QObject*> children = findChildren<QObject*>();
    for (QObject* child : children)
        child->disconnect(this);
}

void frmmain::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(clientWidth, clientHeight - statusHeight);
    setCentralWidget(client);

    Skin_Lst = new QListWidget(client);
    Skin_Lst->setObjectName(QStringLiteral("Skin_Lst"));
    Skin_Lst->setGeometry(px(45), 0, px(2130), px(5460));
    Skin_Lst->setSortingEnabled(false); // the scan adds the names already sorted, case-blind
    Skin_Lst->setUniformItemSizes(true);
    Skin_Lst->setSelectionMode(QAbstractItemView::SingleSelection);

    m_grid = new PreviewGrid(client, px(2295), clientHeight - statusHeight);
    for (int i = 0; i < cellCount; ++i) {
        Skin_Preview[i] = m_grid->preview(i);
        Skin_Name[i] = m_grid->nameBox(i);
    }
    SelectSq = m_grid->frame();

    WINAMP_Path = new StatusPanels(this);
    WINAMP_Path->setObjectName(QStringLiteral("WINAMP_Path"));
    WINAMP_Path->setFixedHeight(statusHeight);
    WINAMP_Path->addPanel(QStringLiteral("path"), QStringLiteral(" "), QStringLiteral("現在のSkinフォルダ"), 0);
    WINAMP_Path->addPanel(QStringLiteral("skin"), QStringLiteral("Skin数:"), QStringLiteral("Skinの数"), px(1440));
    setStatusBar(WINAMP_Path);

    // Skin_Lst first, then the name boxes in index order; the pictures take no focus.
    QWidget::setTabOrder(Skin_Lst, Skin_Name[0]);
}

void frmmain::buildMenus()
{
    auto makeAction = [this](QMenu* menu, const QString& name, const QString& caption) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        if (caption == QLatin1String("-")) {
            // A separator's text is drawn beside its line by some styles (Fusion).
            action->setText(QString());
            action->setSeparator(true);
        }
        menu->addAction(action);
        return action;
    };

    FileMenu = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    FileMenu->setObjectName(QStringLiteral("FileMenu"));
    Open_ = makeAction(FileMenu, QStringLiteral("Open_"), QStringLiteral("このﾌｫﾙﾀﾞを開く(&O)"));
    const QString fileCaptions[8] = {
        QStringLiteral("Skinを追加する"),
        QStringLiteral("-"),
        QStringLiteral("削除(&D)"),
        QStringLiteral("名前の変更(&R)"),
        QStringLiteral("-"),
        QStringLiteral("WINAMPで使う(&U)"),
        QStringLiteral("このSkinでWINAMPを起動する(&E)"),
        QStringLiteral("Hadrelの終了(&X)"),
    };
    for (int i = 0; i < 8; ++i)
        file[i] = makeAction(FileMenu, QStringLiteral("file_%1").arg(i), fileCaptions[i]);
    mnuLook = makeAction(FileMenu, QStringLiteral("mnuLook"), QStringLiteral("Winampでの見た目(&L)"));
    // The skin commands appear only in the preview's context menu.
    for (int i : { 1, 2, 3, 5, 6 })
        file[i]->setVisible(false);
    mnuLook->setVisible(false);
    mnuUnpack = makeAction(FileMenu, QStringLiteral("mnuUnpack"), QStringLiteral("ﾌｫﾙﾀﾞに展開(&X)"));
    mnuUnpack->setVisible(false);
    mnuUndo = makeAction(FileMenu, QStringLiteral("mnuUndo"), m_undo.caption());
    mnuUndo->setShortcut(QKeySequence::Undo);
    mnuUndo->setEnabled(false);
    m_undo.setOnChange([this] {
        mnuUndo->setText(m_undo.caption());
        mnuUndo->setEnabled(!m_undo.isEmpty());
    });

    ViewMenu = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    ViewMenu->setObjectName(QStringLiteral("ViewMenu"));
    view[0] = makeAction(ViewMenu, QStringLiteral("view_0"), QStringLiteral("最新の情報に更新(&R)"));
    view[0]->setShortcut(QKeySequence(Qt::Key_F5));
    view[0]->setShortcutContext(Qt::WindowShortcut);
    RegMenu = ViewMenu->addMenu(QStringLiteral("登録フォルダ(&R)"));
    RegMenu->setObjectName(QStringLiteral("RegMenu"));
    view[1] = RegMenu->menuAction();
    view[1]->setObjectName(QStringLiteral("view_1"));
    for (int i = 0; i < 5; ++i) {
        Reg[i] = makeAction(RegMenu, QStringLiteral("Reg_%1").arg(i), QString());
        Reg[i]->setEnabled(i == 0);
    }
    view[2] = makeAction(ViewMenu, QStringLiteral("view_2"), QStringLiteral("-"));
    view[3] = makeAction(ViewMenu, QStringLiteral("view_3"), QStringLiteral("Hadrel設定(&O)..."));
    makeAction(ViewMenu, QStringLiteral("mnuViewBar1"), QStringLiteral("-"));
    mnuLookGrid = makeAction(ViewMenu, QStringLiteral("mnuLookGrid"), QStringLiteral("Winampでの見た目で表示(&W)"));
    m_lookGrid = new LookGrid(
        mnuLookGrid, [this] { return !settings().storeHeldBack(); },
        [this] {
            if (m_state.Page_Shown < 0)
                return;
            Hourglass hourglass;
            reloadGrid();
            SelectSq_Place();
        });

    mnuHelp = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpContents = makeAction(mnuHelp, QStringLiteral("mnuHelpContents"), QStringLiteral("目次(&C)"));
    mnuHelpBar1 = makeAction(mnuHelp, QStringLiteral("mnuHelpBar1"), QStringLiteral("-"));
    mnuHelpAbout = makeAction(mnuHelp, QStringLiteral("mnuHelpAbout"), QStringLiteral("Hadrelについて(&A)..."));
}

void frmmain::connectEvents()
{
    connect(Skin_Lst, &QListWidget::currentRowChanged, this, [this] { skinListSelectionChanged(); });
    connect(Skin_Lst, &QListWidget::itemDoubleClicked, this, [this] { skinListDoubleClicked(); });

    connect(m_grid, &PreviewGrid::previewClicked, this, &frmmain::previewClicked);
    connect(m_grid, &PreviewGrid::previewDoubleClicked, this, &frmmain::previewDoubleClicked);
    connect(m_grid, &PreviewGrid::previewRightPressed, this, &frmmain::previewRightPressed);
    connect(m_grid, &PreviewGrid::nameClicked, this, &frmmain::nameClicked);
    connect(m_grid, &PreviewGrid::nameFocusGained, this, &frmmain::nameFocusGained);
    connect(m_grid, &PreviewGrid::nameEnterPressed, this, &frmmain::nameEnterPressed);
    connect(m_grid, &PreviewGrid::nameFocusLost, this, &frmmain::nameFocusLost);
    connect(new GridKeys(m_grid, Skin_Lst), &GridKeys::openAsked, this, [this] { previewDoubleClicked(-1); });
    connect(m_grid, &PreviewGrid::nameEscapePressed, this, &frmmain::nameEscapePressed);

    connect(Open_, &QAction::triggered, this, &frmmain::openFolderTriggered);
    for (int i = 0; i < int(file.size()); ++i)
        connect(file[i], &QAction::triggered, this, [this, i] { fileTriggered(i); });
    connect(mnuUnpack, &QAction::triggered, this, &frmmain::unpackTriggered);
    connect(mnuUndo, &QAction::triggered, this, &frmmain::undoTriggered);
    for (int i = 0; i < int(view.size()); ++i)
        connect(view[i], &QAction::triggered, this, [this, i] { viewTriggered(i); });
    for (int i = 0; i < int(Reg.size()); ++i)
        connect(Reg[i], &QAction::triggered, this, [this, i] { regTriggered(i); });
    connect(mnuLook, &QAction::triggered, this, &frmmain::lookTriggered);
    connect(mnuHelpContents, &QAction::triggered, this, &frmmain::helpContentsTriggered);
    connect(mnuHelpAbout, &QAction::triggered, this, &frmmain::helpAboutTriggered);
}

QLabel* frmmain::panel(const QString& key) const
{
    return WINAMP_Path->panel(key);
}

QString frmmain::currentFolder() const
{
    const QString text = panel(QStringLiteral("path"))->text();
    // The panel starts with one space, which stands for no folder.
    return text == QLatin1String(" ") ? QString() : text;
}

void frmmain::makeCurrentFolder(const QString& folder)
{
    panel(QStringLiteral("path"))->setText(folder);
    setWindowTitle(QStringLiteral("Hadrel - ") + folder);
}

void frmmain::closeEvent(QCloseEvent* event)
{
    saveSettingsAtExit();
    event->accept();
}
