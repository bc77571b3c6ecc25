// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/searchbench.h"

#include "app/duplicateswindow.h"
#include "app/searchwindow.h"
#include "index/skinindex.h"
#include "skins/skinscan.h"
#include "skins/skinsearch.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QTreeView>

#include <algorithm>
#include <ctime>
#include <random>

namespace SearchBench {

namespace {

Times median(QList<Times> times)
{
    const auto middle = [&times](auto field) {
        QList<double> values;
        for (const Times& t : std::as_const(times))
            values << t.*field;
        std::sort(values.begin(), values.end());
        const qsizetype mid = values.size() / 2;
        return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
    };
    return { middle(&Times::wall), middle(&Times::cpu) };
}

} // namespace

Result measure(const QStringList& names, int runs)
{
    Result result;
    SearchWindow window(nullptr);
    window.setSkins(QString(), names);
    window.show();
    QApplication::processEvents();

    const QString letter = QStringLiteral("a");
    const QStringList folded = SkinSearch::foldAll(names);
    QList<Times> keystroke, loop, fold, sort;
    QList<int> found;
    for (int i = 0; i < runs; ++i) {
        window.textBox->clear();
        QApplication::processEvents();
        keystroke << timeOf([&] {
            window.textBox->setText(letter);
            QApplication::processEvents(); // the list laid out and painted
        });
        loop << timeOf([&] {
            found.clear();
            for (qsizetype row = 0; row < folded.size(); ++row) {
                if (folded.at(row).contains(letter))
                    found.append(int(row));
            }
        });
        fold << timeOf([&] { SkinSearch::foldAll(names); });
        QStringList shuffled = names;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(unsigned(i)));
        sort << timeOf([&] { SkinScan::sortCaseBlind(shuffled); });
    }
    const QAbstractItemModel* model = window.matchList->model();
    result.matches = found.size();
    result.ok = model->rowCount() == found.size()
        && (found.isEmpty() || model->index(0, 0).data().toString() == names.at(found.first()));
    result.keystroke = median(keystroke);
    result.containsLoop = median(loop);
    result.fold = median(fold);
    result.sort = median(sort);
    return result;
}

Indexed measureIndexed(SkinIndex& index, const QString& folder, const QStringList& names, int runs)
{
    Indexed result;
    SearchWindow search(nullptr);
    search.setSkins(folder, names);
    search.setIndex(&index, [folder] { return QStringList { folder }; });
    search.show();
    QApplication::processEvents();
    const QAbstractItemModel* matches = search.matchList->model();
    QList<Times> year;
    for (int i = 0; i <= runs; ++i) {
        search.byName->click();
        QApplication::processEvents();
        const Times t = timeOf([&] {
            search.byYear->click();
            QApplication::processEvents(); // the list laid out and painted
        });
        (i == 0 ? result.firstYearOrder : year.emplaceBack()) = t;
    }
    result.yearOrder = median(year);
    const std::shared_ptr<const IndexSnapshot> snapshot = index.snapshot();
    auto dateAt = [&](int row) {
        return snapshot->at(snapshot->rowOf(folder, matches->index(row, 0).data().toString())).skinDate;
    };
    const int last = matches->rowCount() - 1;
    result.ok = matches->rowCount() == names.size() && last > 0 && dateAt(0) > 0 && dateAt(0) <= dateAt(last / 2);

    DuplicatesWindow duplicates(&index, nullptr);
    duplicates.show();
    QApplication::processEvents();
    QList<Times> shown, pictures;
    for (int i = 0; i < runs; ++i) {
        pictures << timeOf([&] {
            shown << timeOf([&] {
                duplicates.refresh();
                QApplication::processEvents();
            });
            while (duplicates.picturesPending())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QApplication::processEvents();
        }, CLOCK_PROCESS_CPUTIME_ID);
    }
    result.duplicates = median(shown);
    result.duplicatesPictures = median(pictures);
    result.groups = int(duplicates.groups().size());
    result.ok = result.ok && result.groups > 0 && duplicates.skinList->model()->rowCount() > 1;
    return result;
}

} // namespace SearchBench
