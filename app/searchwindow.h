// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/collectionsearch.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFutureWatcher>
#include <QSet>
#include <QWidget>

#include <functional>

class ColourPalette;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;
class QTreeView;
class SkinIndex;

// The matches of the search window: rows into the names of the listed folder, or, when
// the index answers, rows of an index snapshot. Columns: name, what matched, year, folder.
class SkinMatches : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { nameColumn, matchColumn, yearColumn, folderColumn, columns };

    using QAbstractTableModel::QAbstractTableModel;
    // Rows into names, of folder; those in readme matched by their readme.
    void show(const QString& folder, const QStringList& names, const QList<int>& rows, const QSet<int>& readme = {});
    void show(const CollectionSearch::Prepared& prepared, const QList<CollectionSearch::Hit>& hits);
    // The listing's rows shown, when the listing is shown.
    const QList<int>& rows() const { return m_rows; }
    QString folderAt(int row) const;
    QString nameAt(int row) const;
    // The row showing that skin, or -1.
    int rowOf(const QString& folder, const QString& name) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString m_folder;
    QStringList m_names;
    QList<int> m_rows;
    QSet<int> m_readme;
    CollectionSearch::Prepared m_prepared;
    QList<CollectionSearch::Hit> m_hits;
    bool m_indexed = false;
};

// 「Skinを探す」: the skins of the main window's folder, or of every registered folder,
// whose names or readmes hold every word typed, narrowed by what they hold and by their
// year; by name, newest first, by year, or nearest a colour or a skin's look. Enter or
// a double-click hands the match to the main window.
class SearchWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SearchWindow(QWidget* parent);

    // The skins listed from folder, in the list's order; the text typed stays and filters
    // them at once.
    void setSkins(const QString& folder, const QStringList& names);
    // The index that answers readme words, filters, years and looks, and the registered
    // folders it covers.
    void setIndex(SkinIndex* index, std::function<QStringList()> registeredFolders);
    // Shows the window beside its parent the first time, brings it to the front and
    // selects its text for typing over.
    void bringUp();

    // Orders the matches by how near their main colours are to colour.
    void findColour(const QColor& colour);
    // Orders the matches of every registered folder by how near their look is to the
    // skin name of folder.
    void findLookAlikes(const QString& folder, const QString& name);
    // Back to the order chosen with the buttons.
    void clearNearest();

    QLineEdit* textBox = nullptr;
    QRadioButton* byName = nullptr;
    QRadioButton* newest = nullptr;
    QRadioButton* byYear = nullptr;
    QCheckBox* allFolders = nullptr;
    // Content filters: a checked box keeps only the skins that hold it.
    QCheckBox* hasEqualizer = nullptr;
    QCheckBox* hasPlaylist = nullptr;
    QCheckBox* hasCursors = nullptr;
    QCheckBox* shaped = nullptr;
    QCheckBox* hasPrograms = nullptr;
    // The years a skin's own date lies in; the lowest value stands for no bound.
    QSpinBox* yearFrom = nullptr;
    QSpinBox* yearTo = nullptr;
    QToolButton* colourButton = nullptr;
    ColourPalette* palette = nullptr;
    QLabel* nearestLabel = nullptr;
    QToolButton* nearestClear = nullptr;
    QLabel* countLabel = nullptr;
    QLabel* indexNote = nullptr; // while the index is being built
    QTreeView* matchList = nullptr;

signals:
    // folder ends with a separator.
    void skinChosen(const QString& folder, const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Nearest
    {
        QColor colour; // valid when by colour
        QString folder; // and name, when by look
        QString name;
    };

    void buildFilters(QWidget* box);
    void refilter();
    void prepare();
    void showListed(const QStringList& words);
    void showIndexed();
    bool needsIndex() const;
    CollectionSearch::Query query() const;
    QList<int> nearestRows() const;
    void prepareAhead();
    void takePrepared();
    void keepCurrent(const QString& folder, const QString& name);
    void chooseCurrent();
    const QList<int>& order();

    QString m_folder;
    QStringList m_names;
    QStringList m_folded;
    QList<int> m_byName;
    QList<int> m_newest; // read the first time the order is asked for after a scan
    bool m_newestRead = false;
    QHash<QString, int> m_rowOfName; // made when a readme match first needs it
    // The words the name matches shown were filtered by, and those matches.
    QStringList m_lastWords;
    bool m_lastNewest = false;
    QList<int> m_lastNameRows;
    bool m_placed = false;
    SkinMatches* m_model = nullptr;

    SkinIndex* m_index = nullptr;
    std::function<QStringList()> m_registered;
    CollectionSearch::Prepared m_prepared;
    // A newer snapshot being made ready on a worker, so that no question waits for it.
    QFutureWatcher<CollectionSearch::Prepared>* m_preparing = nullptr;
    std::shared_ptr<const IndexSnapshot> m_preparingFor;
    Nearest m_nearest;
};
