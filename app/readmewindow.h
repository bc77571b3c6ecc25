// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// 「Readme - name」: a skin's readme, read-only, in a fixed-width font. Not modal: it may
// stay open beside the main window. Escape or 「閉じる(C)」 closes it.
class ReadmeWindow : public QDialog
{
    Q_OBJECT
public:
    ReadmeWindow(const QString& name, const QString& text, QWidget* parent = nullptr);

    QPlainTextEdit* Readme_Text = nullptr;
    QPushButton* Close_Button = nullptr;
};
