// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/winamplookview.h"

#include "app/picturejobs.h"
#include "settings/settingskeys.h"
#include "skins/winamplook.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <climits>

namespace {

// The title bar and frame the window system adds, as the window that opens us has them;
// a usual one before any window is shown.
int frameHeight(const QWidget* parent)
{
    const QWidget* window = parent ? parent->window() : nullptr;
    const int measured = window && window->isVisible() ? window->frameGeometry().height() - window->height() : 0;
    return measured > 0 ? measured : 32;
}

int screenAvailableHeight(const QWidget* window)
{
    const QScreen* screen = window->screen();
    return screen ? screen->availableGeometry().height() : INT_MAX;
}

} // namespace

std::function<int(const QWidget*)> WinampLookView::availableHeight = &screenAvailableHeight;

WinampLookView::WinampLookView(const QString& skinFolder, const QString& name, QWidget* parent)
    : WinampLookView([skinFolder] { return SkinFiles::fromFolder(skinFolder, WinampLook::fileNames()); }, name, parent)
{
}

WinampLookView::WinampLookView(std::function<SkinFiles()> files, const QString& name, QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("WinampLookView"));
    setWindowTitle(QStringLiteral("Winampでの見た目 - ") + name);
    setModal(true);

    Look_Picture = new QLabel(this);
    Look_Picture->setObjectName(QStringLiteral("Look_Picture"));

    Programs_Warning = new QLabel(this);
    Programs_Warning->setObjectName(QStringLiteral("Programs_Warning"));
    Programs_Warning->setWordWrap(true);
    Programs_Warning->setStyleSheet(QStringLiteral("color: #a01010; font-weight: bold;"));
    Programs_Warning->hide();

    Close_Button = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    Close_Button->setObjectName(QStringLiteral("Close_Button"));
    Close_Button->setAutoDefault(false);
    connect(Close_Button, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Programs_Warning);
    layout->addWidget(Look_Picture);
    layout->addWidget(Close_Button, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Close_Button->setFocus();

    setScale(2);
    const int heightAt2x = sizeHint().height() + frameHeight(parent);
    setScale(openingScale(SettingsKeys::read(SettingsKeys::lookScale), heightAt2x,
        availableHeight(parent ? static_cast<const QWidget*>(parent) : this)));

    // Empty until the skin has been composed: a slow or hostile skin never holds the window.
    m_jobs = new PictureJobs(this);
    connect(m_jobs, &PictureJobs::pictureReady, this, [this](int, const QImage& look) {
        m_look = look;
        showLook();
        emit pictureReady();
    });
    m_jobs->start({ [files = std::move(files)] { return WinampLook::stacked(files()); } });
}

int WinampLookView::openingScale(const QString& remembered, int heightAt2x, int availableHeight)
{
    if (remembered == QLatin1String("1") || heightAt2x > availableHeight)
        return 1;
    return 2;
}

void WinampLookView::setProgramsWarning(const QString& text)
{
    Programs_Warning->setText(text);
    Programs_Warning->setVisible(!text.isEmpty());
    layout()->activate();
}

void WinampLookView::setScale(int scale)
{
    m_scale = scale == 1 ? 1 : 2; // whole factors only: every skin pixel a sharp block
    Look_Picture->setFixedSize(lookSize * m_scale);
    // As wide as the picture: the warning wraps rather than widening the window.
    Programs_Warning->setFixedWidth(Look_Picture->width());
    showLook();
    layout()->activate();
}

void WinampLookView::showLook()
{
    if (m_look.isNull())
        return;
    // Scaled here to the screen's pixels, nearest neighbour, so that no later scaling
    // smooths the blocks on a high-density screen.
    const qreal ratio = devicePixelRatioF();
    const QSize shown = lookSize * m_scale;
    QPixmap pixmap = QPixmap::fromImage(
        m_look.scaled((QSizeF(shown) * ratio).toSize(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    pixmap.setDevicePixelRatio(ratio);
    Look_Picture->setPixmap(pixmap);
}

void WinampLookView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_1 || key == Qt::Key_2) && !(event->modifiers() & ~Qt::KeypadModifier)) {
        setScale(key == Qt::Key_1 ? 1 : 2);
        emit scaleChosen(m_scale);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
