// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmsplash.h"

#include "platform/twips.h"
#include "platform/version.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& twips)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(Twips::toPixels(twips.x()), Twips::toPixels(twips.y()), Twips::toPixels(twips.width()),
        Twips::toPixels(twips.height()));
    label->setTextFormat(Qt::PlainText);
    return label;
}

void whiteOnBlack(QLabel* label)
{
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, Qt::white);
    label->setPalette(palette);
}

// The designed fonts are narrow bitmap faces; the ones a Linux desktop falls back to are
// wider, so a label shrinks its font until its fixed text fits its designed box.
void fitToWidth(QLabel* label)
{
    QFont font = label->font();
    while (font.pointSizeF() > 5 && QFontMetrics(font).horizontalAdvance(label->text()) > label->width()) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        label->setFont(font);
    }
}

QFont makeFont(const QStringList& families, qreal points, bool bold, bool italic = false)
{
    QFont f;
    f.setFamilies(families);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_background(QStringLiteral(":/hadrel/splash.bmp"))
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(Twips::toPixels(7125), Twips::toPixels(3075));

    picLogo = makeLabel(this, "picLogo", QString(), QRect(45, 45, 2310, 2850));
    picLogo->setPixmap(QPixmap(QStringLiteral(":/hadrel/hadrel.bmp")));
    picLogo->setScaledContents(true);
    picLogo->setFrameStyle(QFrame::Box | QFrame::Plain);

    lblProductName = makeLabel(this, "lblProductName", QStringLiteral("Hadrel"), QRect(2340, 45, 4515, 1350));
    lblProductName->setFont(
        makeFont({ QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans") }, 48,
            true, true));
    QPalette cyan = lblProductName->palette();
    cyan.setColor(QPalette::WindowText, Qt::cyan);
    cyan.setColor(QPalette::Disabled, QPalette::WindowText, Qt::cyan);
    lblProductName->setPalette(cyan);

    lblVersion
        = makeLabel(this, "lblVersion", QStringLiteral("Version ") + Version::text(), QRect(3690, 1305, 1635, 270));
    lblVersion->setFont(makeFont(
        { QStringLiteral("Fixedsys"), QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Monospace") }, 13.5, true));
    whiteOnBlack(lblVersion);
    fitToWidth(lblVersion);

    lblCopyright
        = makeLabel(this, "lblCopyright", QStringLiteral("(C) 2026 Hadrel developers"), QRect(3690, 1755, 2640, 225));
    lblCopyright->setFont(makeFont(
        { QStringLiteral("Fixedsys"), QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Monospace") }, 9, false));
    whiteOnBlack(lblCopyright);
    fitToWidth(lblCopyright);

    lblWarning = makeLabel(this, "lblWarning", QStringLiteral("注意：著作権法に引っかかることしちゃいや～よ"),
        QRect(2700, 2700, 4215, 195));
    lblWarning->setFont(makeFont({ QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                                     QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP") },
        9.75, true));
    whiteOnBlack(lblWarning);
    fitToWidth(lblWarning);

    // The design state: disabled, hourglass over the window and its labels.
    setEnabled(false);
    for (QWidget* w :
        { static_cast<QWidget*>(this), static_cast<QWidget*>(lblProductName), static_cast<QWidget*>(lblVersion),
            static_cast<QWidget*>(lblCopyright), static_cast<QWidget*>(lblWarning) })
        w->setCursor(Qt::WaitCursor);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

int frmSplash::execAbout()
{
    for (QWidget* w :
        { static_cast<QWidget*>(this), static_cast<QWidget*>(lblProductName), static_cast<QWidget*>(lblVersion),
            static_cast<QWidget*>(lblCopyright), static_cast<QWidget*>(lblWarning), static_cast<QWidget*>(picLogo) })
        w->setCursor(Qt::ArrowCursor);
    setEnabled(true);
    setModal(true);
    return exec();
}

void frmSplash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawPixmap(0, 0, m_background); // cut off at the window's edges
}

void frmSplash::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void frmSplash::mouseReleaseEvent(QMouseEvent* event)
{
    // A click on the window or any of its labels (they pass their clicks up) closes it.
    event->accept();
    accept();
}
