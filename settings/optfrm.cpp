// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/optfrm.h"

#include "dialogs/folderchooser.h"
#include "dialogs/messages.h"
#include "platform/filelookup.h"
#include "platform/pathslash.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr int fieldWidth = 330;

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Enter in a field must not press anything: no button becomes the default, not even
    // the one that had the focus last.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QLineEdit* makeField(QWidget* parent, const QString& name)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setMinimumWidth(fieldWidth);
    return field;
}

} // namespace

Opt_Frm::Opt_Frm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Opt_Frm"));
    setWindowTitle(QStringLiteral("Hadrel設定"));
    buildControls();
    centreOnScreen();
}

void Opt_Frm::buildControls()
{
    Frame1 = new QGroupBox(QStringLiteral("WINAMP.EXEのあるフォルダ"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Amp_Path = makeField(Frame1, QStringLiteral("Amp_Path"));
    Amp_Locate = makeButton(Frame1, QStringLiteral("Amp_Locate"), QStringLiteral("参照..."));
    Amp_Found = new QComboBox(Frame1);
    Amp_Found->setObjectName(QStringLiteral("Amp_Found"));
    Amp_Found->setVisible(false);
    auto* ampRows = new QGridLayout(Frame1);
    ampRows->addWidget(Amp_Path, 0, 0);
    ampRows->addWidget(Amp_Locate, 0, 1);
    ampRows->addWidget(Amp_Found, 1, 0);

    Frame2 = new QGroupBox(QStringLiteral("Skinのあるフォルダ"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* slotRows = new QGridLayout(Frame2);
    for (int i = 0; i < slotCount; ++i) {
        Skin_Path[i] = makeField(Frame2, QStringLiteral("Skin_Path_%1").arg(i));
        Skin_Locate[i] = makeButton(Frame2, QStringLiteral("Skin_Locate_%1").arg(i), QStringLiteral("参照..."));
        slotRows->addWidget(Skin_Path[i], i, 0);
        slotRows->addWidget(Skin_Locate[i], i, 1);
    }

    cmdOK = makeButton(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel = makeButton(this, QStringLiteral("cmdCancel"), QStringLiteral("ｷｬﾝｾﾙ"));
    // OK at the bottom left, Cancel to its right; the spare room stays on the right.
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // OK first, then the fields and their buttons from the top.
    QWidget* previous = cmdOK;
    auto chain = [&previous](QWidget* next) {
        QWidget::setTabOrder(previous, next);
        previous = next;
    };
    chain(Amp_Path);
    chain(Amp_Locate);
    chain(Amp_Found);
    for (int i = 0; i < slotCount; ++i) {
        chain(Skin_Path[i]);
        chain(Skin_Locate[i]);
    }
    chain(cmdCancel);

    connect(Amp_Locate, &QPushButton::clicked, this, &Opt_Frm::ampLocateClicked);
    for (int i = 0; i < slotCount; ++i)
        connect(Skin_Locate[i], &QPushButton::clicked, this, [this, i] { skinLocateClicked(i); });
    connect(cmdOK, &QPushButton::clicked, this, &Opt_Frm::okClicked);
    connect(Amp_Found, &QComboBox::activated, this, [this](int index) {
        if (index > 0)
            Amp_Path->setText(Amp_Found->itemText(index));
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::array<QLineEdit*, 1 + Opt_Frm::slotCount> Opt_Frm::folderFields() const
{
    return { Amp_Path, Skin_Path[0], Skin_Path[1], Skin_Path[2], Skin_Path[3], Skin_Path[4] };
}

void Opt_Frm::centreOnScreen()
{
    layout()->activate(); // the fixed size is known only once the layout has run
    const QWidget* owner = parentWidget();
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    // Placed explicitly, so showing it later does not move it over its owner instead.
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void Opt_Frm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    cmdOK->setFocus(Qt::OtherFocusReason);
}

void Opt_Frm::keyPressEvent(QKeyEvent* event)
{
    // With no default button Qt ignores Enter everywhere; a focused button still takes it,
    // as it does on the desktop this dialog comes from. Fields pass it on to nothing.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->hasFocus()) {
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void Opt_Frm::ampLocateClicked()
{
    const QString Browse_Result = Folder_Browse_Opt(
        this, QStringLiteral("WinAMPのあるフォルダを選択してください"), FolderChooser::Hidden::Shown);
    if (!Browse_Result.isEmpty())
        Amp_Path->setText(Browse_Result);
}

void Opt_Frm::skinLocateClicked(int index)
{
    const QString Browse_Result = Folder_Browse_Opt(this, QStringLiteral("WinAMPのSkinﾌｫﾙﾀﾞを選択してください"));
    if (!Browse_Result.isEmpty())
        Skin_Path[index]->setText(Browse_Result);
}

void Opt_Frm::prepareFirstRun(const QStringList& found)
{
    m_firstRun = true;
    if (found.isEmpty())
        return;
    Amp_Found->clear();
    Amp_Found->addItem(QStringLiteral("見つかったWinamp (%1)").arg(found.size()));
    Amp_Found->addItems(found);
    Amp_Found->setVisible(true);
    if (Amp_Path->text().isEmpty())
        Amp_Path->setText(found.first());
    layout()->activate();
    centreOnScreen();
}

void Opt_Frm::okClicked()
{
    // A mistyped folder would otherwise only show later, as Winamp commands doing nothing.
    const QString folder = Path_Slash(Amp_Path->text());
    if (m_firstRun && !folder.isEmpty()
        && FileLookup::findIgnoringCase(folder, QStringLiteral("winamp.ini")).isEmpty()
        && FileLookup::findIgnoringCase(folder, QStringLiteral("winamp.exe")).isEmpty()) {
        const QMessageBox::StandardButton answer = Messages::show({ Messages::Icon::Warning,
            Messages::Box::programTitle(),
            QStringLiteral("「%1」にはwinamp.iniもwinamp.exeもありません。\n"
                           "このフォルダのままにしますか?(「いいえ」で選び直せます)")
                .arg(folder),
            this, QMessageBox::Yes | QMessageBox::No });
        if (answer == QMessageBox::No) {
            Amp_Path->setFocus(Qt::OtherFocusReason);
            Amp_Path->selectAll();
            return;
        }
    }
    accept();
}
