// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/readmewindow.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReadmeWindow::ReadmeWindow(const QString& name, const QString& text, QWidget* parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ReadmeWindow"));
    setWindowTitle(QStringLiteral("Readme - ") + name);
    setAttribute(Qt::WA_DeleteOnClose);

    Readme_Text = new QPlainTextEdit(this);
    Readme_Text->setObjectName(QStringLiteral("Readme_Text"));
    Readme_Text->setReadOnly(true);
    Readme_Text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Readmes of the time line text up in columns, and often draw with characters.
    Readme_Text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Many readmes write a paragraph as one long line.
    Readme_Text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Readme_Text->setPlainText(text);

    Close_Button = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    Close_Button->setObjectName(QStringLiteral("Close_Button"));
    connect(Close_Button, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Close_Button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Readme_Text);
    layout->addLayout(buttons);
    resize(640, 480);
    Readme_Text->setFocus();
}
