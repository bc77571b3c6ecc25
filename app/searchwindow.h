// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListView;
class QRadioButton;

// The matches of the search window: rows into the names it was given, shown by name.
class SkinMatches : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    void show(const QStringList& names, const QList<int>& rows);
    const QList<int>& rows() const { return m_rows; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QStringList m_names;
    QList<int> m_rows;
};

// 「Skinを探す」: the skins of the main window's folder whose names hold every word typed,
// by name or newest first. Enter or a double-click hands the match to the main window.
class SearchWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SearchWindow(QWidget* parent);

    // The skins listed from folder, in the list's order; the text typed stays and filters
    // them at once.
    void setSkins(const QString& folder, const QStringList& names);
    // Shows the window beside its parent the first time, brings it to the front and
    // selects its text for typing over.
    void bringUp();

    QLineEdit* textBox = nullptr;
    QRadioButton* byName = nullptr;
    QRadioButton* newest = nullptr;
    QLabel* countLabel = nullptr;
    QListView* matchList = nullptr;

signals:
    void skinChosen(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refilter();
    void chooseCurrent();
    const QList<int>& order();

    QString m_folder;
    QStringList m_names;
    QStringList m_folded;
    QList<int> m_byName;
    QList<int> m_newest; // read the first time the order is asked for after a scan
    bool m_newestRead = false;
    // The words the matches shown were filtered by.
    QStringList m_lastWords;
    bool m_lastNewest = false;
    bool m_placed = false;
    SkinMatches* m_model = nullptr;
};
